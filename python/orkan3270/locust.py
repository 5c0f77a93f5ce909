"""Locust users that drive Orkan TN3270 sessions. Every host round trip (an attention key and the
host's answer) is timed and reported to Locust's statistics under a name of your choosing, so
Locust's distributed mode carries a load test past one machine (docs/loadtest.md)::

    from locust import task
    from orkan3270.locust import OrkanUser

    class Clerk(OrkanUser):
        host = "mainframe.example.com:23"

        @task
        def look_up(self):
            self.session.fill("12345", label="Account")
            self.round_trip("account", "Enter", self.text("ACCOUNT DETAILS"))
            self.round_trip("back", "PF3")
"""

import importlib.metadata
import time

import locust.runners
from locust import User

from .errors import OrkanError
from .session import Session, changed, text, unlocked

__all__ = ["OrkanUser", "text", "unlocked", "changed"]

# Debian's python3-locust 2.12.1 carries an empty version string, which a master takes for a worker
# older than 2.0 and turns away: distributed runs would never start. Master and workers import this
# module alike, so they announce the same version, the package's own.
if not locust.runners.__version__:
    locust.runners.__version__ = importlib.metadata.version("locust") or "2"


class OrkanUser(User):
    """A Locust user with a session of its own (``self.session``), connected to ``host`` on start
    (reported as "connect") and closed on stop."""

    abstract = True
    request_type = "tn3270"
    # Seconds a round trip may take before it counts as failed.
    round_trip_timeout = 30.0
    text = staticmethod(text)

    def on_start(self):
        self.session = Session(timeout=self.round_trip_timeout)
        self.timed("connect", lambda: self.session.connect(self.host, timeout=self.round_trip_timeout))

    def on_stop(self):
        session = getattr(self, "session", None)
        if session is not None:
            session.close()

    def round_trip(self, name, key="Enter", *conditions):
        """Presses ``key`` and waits for the host's answer: the screen changed and the keyboard
        unlocked, and every further condition. Reported to Locust as one request named ``name``."""

        def run():
            since = self.session.seq
            self.session.key(key, timeout=self.round_trip_timeout)
            self.session.wait(changed(since), unlocked(), *conditions, timeout=self.round_trip_timeout)

        return self.timed(name, run)

    def timed(self, name, action):
        """Runs ``action`` and reports its time (and its error, if any) to Locust."""
        started = time.perf_counter()
        error = None
        result = None
        try:
            result = action()
        except OrkanError as e:
            error = e
        self.environment.events.request.fire(request_type=self.request_type, name=name,
                                             response_time=(time.perf_counter() - started) * 1000.0,
                                             response_length=0, exception=error, context={})
        return result
