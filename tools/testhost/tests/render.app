# Screens for datastream_test.cpp's RenderScreen tests.
marker @ protected
marker _ input name=id
marker ~ input nondisplay color=red name=pw
# A layout: fields, a coloured non-display field, a variable of width 3 and a value.
screen s
  layout
  |@Id_  @
  |
  |@Pw~  @${who:3}
  end
  value id "AB"
end
# Orders at a position counted from the end, showing the screen's size.
screen d
  command ewa
  orders
    sba -1 -3
    sf protected
    text "${rows}"
    sba 1 1
    sfe input name=x
  end
end
# A variable with characters the code page lacks.
screen v
  layout
  |${v:4}|
  end
end
# Larger than the terminal.
screen big
  command ewa
  size 43x80
end
