# The screens of the desktop program's window tests (tests/e2e/desktop_window_fit.sh): one at the
# default size, and one at the terminal's alternate size with a mark in each corner, so a test sees
# whether the first and last rows and columns are on the display.
title "Corners"
on connect : goto default

# The alternate size, whatever the model: a mark in each corner of the screen.
screen alternate
  command erase-write-alternate
  orders
    sba 1 1
    sf protected intensified
    text "TOP ${alt.rows}x${alt.cols}"
    sba 1 -2
    sf protected intensified
    text "#"
    sba -1 1
    sf protected intensified
    text "BOTTOM"
    sba -1 -2
    sf protected intensified
    text "#"
    sba 2 2
    sf input name=x
    sba 2 12
    sf protected
  end
  on enter : stay
  on pf2 : goto default
end

screen default
  command erase-write
  layout
  |Default size: Enter shows this screen again, PF1 the alternate size.
  end
  on enter : stay
  on pf1 : goto alternate
end
