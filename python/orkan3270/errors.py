"""Errors of the automation interface, each carrying what the program said about it."""


class OrkanError(Exception):
    """A request failed. ``code`` is the interface's error code (docs/api.md). It carries the
    screen as it was (``screen``, ``status_line``) and the last trace items (``trace``), a failed
    wait also the time waited and the condition; its text shows them."""

    def __init__(self, code, message, details=None):
        super().__init__(message)
        self.code = code
        self.message = message
        self.details = dict(details or {})
        screen = self.details.get("screen") or {}
        self.screen = list(screen.get("text", []))
        self.status_line = screen.get("status_line", "")
        self.status = screen.get("status") or self.details.get("status")
        self.trace = list(self.details.get("trace", []))
        self.waited_ms = self.details.get("waited_ms")
        self.condition = self.details.get("condition")

    def __str__(self):
        lines = [f"{self.code}: {self.message}"]
        if self.condition is not None:
            lines.append(f"waited {self.waited_ms} ms for {self.condition}")
        if self.screen:
            lines.append("screen:")
            lines.extend("  |" + row.rstrip() for row in self.screen)
            lines.append(f"status line: {self.status_line}")
        if self.trace:
            lines.append("last trace items:")
            lines.extend(f"  {describe_trace_item(item)}" for item in self.trace)
        return "\n".join(lines)


class ConnectFailed(OrkanError):
    pass


class WaitTimeout(OrkanError):
    pass


class Disconnected(OrkanError):
    pass


class KeyboardLocked(OrkanError):
    pass


class InputInhibited(OrkanError):
    pass


class TransferFailed(OrkanError):
    pass


class MacroFailed(OrkanError):
    pass


class ProgramEnded(OrkanError):
    """The program ended (or could not be started) before it answered."""


_BY_CODE = {
    "connect_failed": ConnectFailed,
    "timeout": WaitTimeout,
    "disconnected": Disconnected,
    "not_connected": Disconnected,
    "keyboard_locked": KeyboardLocked,
    "input_inhibited": InputInhibited,
    "transfer_failed": TransferFailed,
    "macro_error": MacroFailed,
    "macro_stopped": MacroFailed,
    "macro_load_failed": MacroFailed,
}


def error_from_answer(error):
    """The exception for an answer's ``error`` object."""
    details = {k: v for k, v in error.items() if k not in ("code", "message")}
    cls = _BY_CODE.get(error.get("code"), OrkanError)
    return cls(error.get("code", "unknown"), error.get("message", ""), details)


def describe_trace_item(item):
    text = f"{item.get('type')} ({item.get('length')} bytes)"
    if item.get("note"):
        text += " " + item["note"].replace("\n", "; ")
    hex_text = item.get("hex", "")
    if hex_text:
        text += " " + (hex_text[:96] + "..." if len(hex_text) > 96 else hex_text)
    return text
