marker @ protected intensified color=white
marker _ input highlight=underscore name=u,v
screen one
  layout
  |@Name_     @ ${u:4}
  |@Two _     @${v}
  end
  value u "x"
  cursor u
  on enter when u == "" and v != "1" : set m "${u}" ; goto one
  on pf3 : disconnect
end
