on connect : query-list 81 a6 ; goto d
screen d
  command ewa
  wcc reset restore alarm
  response always
  orders
    sba -1 -3
    sfe protected color=red highlight=blink
    text "${rows}x${cols}"
    ra 2 1 "-"
    ra -1 1 ge:ad
    eua 3 3
    sa color=blue
    ge ad
    pt
    mf input
    sf input name=n
    hex f1c3 11 40 40
    ic
  end
  on any : read-buffer ; read-modified ; check n >= 3 ; log "x" ; sscp-lu "a\nb" ; bind P ; unbind
end
