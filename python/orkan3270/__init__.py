"""Orkan TN3270 from Python: sessions driven through the program's automation interface."""

from .errors import (ConnectFailed, Disconnected, InputInhibited, KeyboardLocked, MacroFailed, OrkanError,
                     ProgramEnded, TransferFailed, WaitTimeout)
from .session import (Field, Screen, Session, changed, cursor, cursor_in_field, disconnected, find_program, text,
                      unlocked)

__all__ = [
    "Session", "Screen", "Field", "find_program", "unlocked", "text", "cursor", "cursor_in_field", "changed",
    "disconnected", "OrkanError", "ConnectFailed", "WaitTimeout", "Disconnected", "KeyboardLocked", "InputInhibited",
    "TransferFailed", "MacroFailed", "ProgramEnded",
]
