# A host that says hello and hangs up (tests/e2e/orkan_keepalive_reconnect.sh).
title "Hello and goodbye"
on connect : goto hello ; disconnect
screen hello
  layout
  |Hello, terminal ${lu}
  end
end
