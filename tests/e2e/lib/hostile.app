# The hostile host of tests/e2e/lib/hostile_host.sh: the macro it sends is attack.mac beside it.
title "Hostile host"
marker @ protected
marker _ input name=input
on connect : ascii-host ; remote-macro "attack.mac" ; goto main
screen main
  layout
  |@Input _                                                                     @
  end
  on any : goto main
end
