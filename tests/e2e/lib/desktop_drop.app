# A host that drops the session when the user presses Enter (tests/e2e/desktop_reconnect.sh).
title "Drop"
on connect : goto hello
screen hello
  layout
  |Hello ${lu}: Enter ends the session.
  end
  on enter : disconnect
end
