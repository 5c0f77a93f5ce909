# The application the engine tests run: a logon screen whose rules check the password, and a
# menu that reads the buffer, reads the modified fields or disconnects.
marker @ protected
screen logon
  marker _ input name=userid
  marker ~ input nondisplay name=password
  layout
  |@User_        @
  |@Pass~        @
  end
  value password "${password}"
  on enter when userid == "" : goto logon
  on enter : check password == "secret" ; goto menu
end
screen menu
  layout
  |@Hello ${userid}
  |@Note_   @
  end
  marker _ input name=note
  on enter : read-buffer ; goto menu
  on pf5 : read-modified ; goto menu
  on pf3 : disconnect
end
