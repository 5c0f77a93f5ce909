"""A py3270 script as its users write them, against the demo host: only the import line names
orkan3270 instead of py3270."""
import sys

from orkan3270.py3270 import Emulator

em = Emulator()
em.connect(sys.argv[1])
em.wait_for_field()
em.fill_field(7, 28, 'me', 8)
em.fill_field(8, 28, 'secret', 8)
em.send_enter()
em.wait_for_field()
if not em.string_found(1, 2, 'ORKAN DEMO HOST - MAIN MENU'):
    sys.exit('no main menu: ' + em.string_get(1, 1, 80))
em.send_string('0', 13, 16)
em.send_enter()
em.wait_for_field()
print(em.string_get(15, 2, 34))
em.move_to(13, 16)
em.delete_field()
em.exec_command(b'String("1")')
em.exec_command(b'Enter')
em.exec_command(b'Wait(InputField)')
print(em.exec_command(b'Ascii(0,1,10)').data[0].decode())
em.send_pf3()
em.wait_for_field()
em.save_screen(sys.argv[2])
print(em.is_connected())
em.terminate()
