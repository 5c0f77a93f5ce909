# The demo application of testhost: a logon panel, a main menu and one panel for each thing a
# TN3270 client must get right. Start it with:  testhost --port 3270   (it is the default app)
#
# Layout rows begin with "|". Each marker character below takes one cell and becomes a field
# attribute; the text after it, up to the next marker, is the field's content. ${name} shows a
# variable in the space its own token takes (${name:N} takes N cells). See README.md.

title "Orkan TN3270 demo host"
start logon

# Markers every screen may use.
marker % protected intensified color=white
marker @ protected color=turquoise
marker ! protected intensified color=red
marker ^ autoskip

# Keys that mean the same everywhere.
on attn : set message "ATTN received (Telnet IP or BREAK)." ; stay
on sysreq : set message "SYSREQ received." ; stay
on pa1,pa2,pa3 : set message "${aid} pressed: PA keys send the AID alone." ; stay
on clear : set message "The screen was cleared; here it is again." ; stay

screen logon
  layout
  |%                                ORKAN DEMO HOST
  |@                      A TN3270 test host of Orkan TN3270
  |
  |@ Terminal ${terminal:14}  LU ${lu:8}  Mode ${mode:7}
  |@ TN3270E functions ${functions:40}
  |
  |@         User id  . . . ._        ^
  |@         Password . . . .~        ^
  |
  |@     Any user id works; the password is not checked. It travels to the host
  |@     in a non-display field and shows in the host's log of received fields,
  |@     never in the log of screens sent.
  |
  |!${message:78}
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |@ Enter=Logon  PF3=Exit
  end
  marker _ input color=green highlight=underscore name=userid
  marker ~ input nondisplay name=password
  value userid "${userid}"
  cursor userid
  on enter when userid == "" : set message "Type a user id, then press Enter." ; goto logon
  on enter : set message "" ; goto menu
  on pf3 : disconnect
end

screen menu
  layout
  |%ORKAN DEMO HOST - MAIN MENU                                       User ${userid:8}
  |
  |@  1  Data entry: numeric, protected, autoskip and intensified fields, colours
  |@  2  Large screen (model 4: 43x80, model 5: 27x132)
  |@  3  Dynamic-size screen, drawn with Erase/Write Alternate
  |@  4  Read Buffer
  |@  5  Read Modified and Read Modified All
  |@  6  Query and Query List
  |@  7  SSCP-LU data
  |@  8  BIND-IMAGE
  |@  9  Responses (TN3270E ALWAYS-RESPONSE)
  |
  |@  Option ===>_ ^
  |
  |!${message:78}
  |
  |
  |
  |
  |
  |
  |
  |
  |@ Enter=Select  PF3=Logoff
  end
  marker _ input color=yellow highlight=underscore name=choice
  on enter when choice == "1" : set message "" ; goto entry
  on enter when choice == "2" and alt.rows >= 43 : set message "" ; goto large43
  on enter when choice == "2" and alt.cols >= 132 : set message "" ; goto large132
  on enter when choice == "2" : set message "Option 2 needs model 4 or 5; this terminal's alternate size is ${alt.rows}x${alt.cols}." ; goto menu
  on enter when choice == "3" : set message "" ; goto dynamic
  on enter when choice == "4" : set message "" ; goto rb
  on enter when choice == "5" : set message "" ; goto rm
  on enter when choice == "6" : set message "" ; goto query
  on enter when choice == "7" : set message "" ; goto sscp
  on enter when choice == "8" : set message "" ; goto bind
  on enter when choice == "9" : set message "" ; goto responses
  on enter : set message "Type an option number from 1 to 9." ; goto menu
  on pf3 : set message "Logged off." ; set userid "" ; goto logon
end

screen entry
  layout
  |%DATA ENTRY                                                        User ${userid:8}
  |
  |@ Customer name . . ._                        ^
  |@ Account number  . .#          ^@ numeric
  |@ Quantity  . . . . .#     ^@ numeric
  |@ Unit price  . . . .#        ^@ numeric, in cents
  |@ Priority  . . . . .* ^@ intensified input: H, M or L
  |@ Reference . . . . .&ORK-000123@ protected: the cursor never stops here
  |@ Region  . . . . . ._    ^@ autoskip after it: typing past the end jumps on
  |
  |@ Colours:
  |@ Highlighting:
  |
  |!${message:78}
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |@ Enter=Check  PF5=Clear fields  PF3=Menu
  end
  marker _ input color=green highlight=underscore name=custname,region
  marker # input numeric color=turquoise highlight=underscore name=account,quantity,price
  marker * input intensified color=white highlight=reverse name=priority
  marker & protected intensified color=yellow
  orders
    sba 11 14
    sa color=blue
    text "blue "
    sa color=red
    text "red "
    sa color=pink
    text "pink "
    sa color=green
    text "green "
    sa color=turquoise
    text "turquoise "
    sa color=yellow
    text "yellow "
    sa color=white
    text "white"
    sa reset
    sba 12 18
    sa highlight=blink
    text "blink"
    sa reset
    text " "
    sa highlight=reverse
    text "reverse"
    sa reset
    text " "
    sa highlight=underscore
    text "underscore"
    sa reset
  end
  value custname "${custname}"
  value account "${account}"
  value quantity "${quantity}"
  value price "${price}"
  value priority "${priority}"
  value region "${region}"
  cursor custname
  on enter when custname == "" : set message "Customer name is required." ; goto entry
  on enter when quantity == "" : set message "Quantity is required." ; goto entry
  on enter when priority != "H" and priority != "M" and priority != "L" : set message "Priority is H, M or L." ; goto entry
  on enter : set message "Saved ${custname}: account ${account}, ${quantity} x ${price}, priority ${priority}." ; goto entry
  on pf5 : set custname "" ; set account "" ; set quantity "" ; set price "" ; set priority "" ; set region "" ; set message "Fields cleared." ; goto entry
  on pf3 : set message "" ; goto menu
end

screen large43
  command erase-write-alternate
  size 43x80
  layout
  |%LARGE SCREEN 43 ROWS x 80 COLUMNS (Erase/Write Alternate)
  |@Row 02..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 03..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 04..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 05..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 06..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 07..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 08..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 09..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 10..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 11..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 12..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 13..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 14..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 15..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 16..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 17..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 18..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 19..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 20..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 21..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 22..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 23..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 24..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 25..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 26..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 27..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 28..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 29..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 30..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 31..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 32..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 33..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 34..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 35..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 36..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 37..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 38..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 39..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 40..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 41..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@Row 42..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|
  |@ PF3=Menu                                                                  END
  end
  on pf3 : goto menu
  on any : stay
end

screen large132
  command erase-write-alternate
  size 27x132
  layout
  |%LARGE SCREEN 27 ROWS x 132 COLUMNS (Erase/Write Alternate)
  |@Row 02..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 03..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 04..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 05..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 06..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 07..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 08..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 09..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 10..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 11..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 12..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 13..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 14..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 15..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 16..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 17..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 18..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 19..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 20..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 21..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 22..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 23..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 24..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 25..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@Row 26..|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|....:....|..
  |@ PF3=Menu                                                                                                                      END
  end
  on pf3 : goto menu
  on any : stay
end

screen dynamic
  command erase-write-alternate
  orders
    sba 1 1
    sfe protected intensified color=white
    text "DYNAMIC SIZE: this screen is ${rows} rows by ${cols} columns"
    sba 2 1
    sfe protected color=blue
    ra 3 1 "-"
    sba 5 3
    sf protected
    text "Type here:"
    sfe input color=green highlight=underscore name=dyntext
    sba 5 36
    sf autoskip
    sba 7 3
    sf protected
    text "You typed: ${dyntext}"
    sba -2 1
    sfe protected color=blue
    ra -1 1 "-"
    sba -1 1
    sfe protected color=yellow
    text "PF3=Menu  (bottom left)"
    sba -1 -20
    sfe protected color=pink
    text "(bottom right) END"
  end
  cursor 5 15
  on pf3 : goto menu
  on enter : stay
end

screen rb
  layout
  |%READ BUFFER
  |
  |@ Type in these fields and press Enter: the host sends Read Buffer and compares
  |@ what comes back with its own model of your screen.
  |
  |@ Field A . ._                   ^
  |@ Field B . .~                   ^@ (non-display)
  |@ Field C . ._                   ^
  |
  |%Last Read Buffer reply
  |@ Positions ${read.positions:5} fields ${read.fields:3} input fields ${read.inputs:3} cursor ${read.cursor:7}
  |@ Same as the host's model: ${read.match:50}
  |@ Fields: ${read.values:69}
  |
  |!${message:78}
  |
  |
  |
  |
  |
  |
  |
  |
  |@ Enter=Read Buffer  PF3=Menu
  end
  marker _ input color=green highlight=underscore name=fielda,fieldc
  marker ~ input nondisplay name=fieldb
  value fielda "${fielda}"
  value fieldb "${fieldb}"
  value fieldc "${fieldc}"
  on enter : read-buffer ; goto rb
  on pf3 : goto menu
end

screen rm
  layout
  |%READ MODIFIED
  |
  |@ Type in some of these fields, then press Enter (the host answers with Read
  |@ Modified) or PF5 (Read Modified All, which also resets the modified tags).
  |
  |@ First  . ._                   ^
  |@ Second . ._                   ^
  |@ Third  . ._                   ^
  |
  |%Last reply: ${read.kind:18}
  |@ AID ${read.aid:6} cursor ${read.cursor:7} fields ${read.fields:3}
  |@ Values: ${read.values:69}
  |
  |!${message:78}
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |@ Enter=Read Modified  PF5=Read Modified All  PF3=Menu
  end
  marker _ input color=green highlight=underscore name=first,second,third
  on enter : read-modified ; goto rm
  on pf5 : read-modified-all ; goto rm
  on pf3 : goto menu
end

screen query
  layout
  |%QUERY AND QUERY LIST
  |
  |@ Enter sends Read Partition Query; PF5 a Query List for usable area, colour,
  |@ highlighting and implicit partition. The terminal answers with a Query Reply.
  |
  |@ Replies  . . . ${query.codes:60}
  |@ Usable area  . ${query.usable:10}
  |@ Partition  . . ${query.partition:30}
  |@ Colours  . . . ${query.colours:3}   Highlights ${query.highlights:3}   Reply modes ${query.modes:10}
  |@ Error  . . . . ${query.error:60}
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |@ Enter=Query  PF5=Query List  PF3=Menu
  end
  on enter : query ; goto query
  on pf5 : query-list 81 86 87 a6 ; goto query
  on pf3 : goto menu
end

screen sscp
  layout
  |%SSCP-LU DATA
  |
  |@ Enter ends the LU-LU session (UNBIND) and sends SSCP-LU data: the terminal
  |@ shows a line-mode message. Type a command there and press Enter; the host
  |@ shows what it received, then binds again (BIND-IMAGE) and comes back here.
  |
  |@ Last SSCP-LU input: ${sscp.input:56}
  |@ Bind . . . . . . : ${bind:56}
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |@ Enter=Start SSCP-LU  PF3=Menu
  end
  on enter : sscp-lu "ORKAN DEMO HOST - SSCP-LU SESSION\nTYPE A COMMAND AND PRESS ENTER" ; bind ORKDEMO ; goto sscp
  on pf3 : goto menu
end

screen bind
  layout
  |%BIND-IMAGE
  |
  |@ With the TN3270E BIND-IMAGE function the host sends a BIND before its screens.
  |@ Enter binds again as PLU ORKDEMO; PF5 unbinds and binds as PLU ORKTEST.
  |
  |@ Functions  . . ${functions:40}
  |@ Bind . . . . . ${bind:60}
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |@ Enter=Bind  PF5=Unbind and bind again  PF3=Menu
  end
  on enter : bind ORKDEMO ; goto bind
  on pf5 : unbind ; bind ORKTEST ; goto bind
  on pf3 : goto menu
end

screen responses
  response always
  layout
  |%RESPONSES
  |
  |@ This screen is sent with the TN3270E header asking for ALWAYS-RESPONSE: the
  |@ terminal answers each such record with a positive (or negative) response.
  |
  |@ Response to the previous send of this screen: ${response:30}
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |
  |@ Enter=Send again  PF3=Menu
  end
  on enter : stay
  on pf3 : goto menu
end
