# A script with one of each form the parser reads: title, start, global rules, markers, a
# layout, cursor, values, responses, rule conditions and every kind of action.
title "t"
start one
marker @ protected intensified color=white
on pf12 : disconnect   # global
on connect : query ; goto one
screen one
  command ewa
  wcc restore alarm
  marker _ input numeric highlight=underscore name=qty
  layout
  |@Qty_    @
  end
  cursor qty
  value qty "${qty}"
  response always
  on enter,pf5 when qty >= 10 and modified qty : set msg "big ${qty}" ; goto one
  on any : check qty == "1" ; log "x" ; read-buffer ; query-list 81 a6 ; sscp-lu "hi" ; bind PLU1 ; unbind
end
