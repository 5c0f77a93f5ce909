# The host side of the printing tests: host print text in structured fields before the first
# screen, and a screen whose WCC starts the printer.
title "Printing"
on connect : print-text "HOST PRINT LINE ONE" ; print-text " AND MORE" ; goto report
screen report
  command erase-write
  wcc reset restore print
  layout
  |@REPORT 4711 READY   ^
  |
  |@Total      ^12,345.67
  end
  marker @ protected intensified
  marker ^ protected
end
