"""Clerks on the demo host, for the distributed Locust test and docs/loadtest.md."""

from locust import between, task

from orkan3270.locust import OrkanUser


class DemoClerk(OrkanUser):
    wait_time = between(0.05, 0.2)

    def on_start(self):
        super().on_start()
        self.session.fill("me", label="User id")
        self.round_trip("logon", "Enter", self.text("MAIN MENU"))

    @task
    def data_entry(self):
        self.session.fill("1", label="Option")
        self.round_trip("open data entry", "Enter", self.text("DATA ENTRY"))
        self.session.fill("Ada", label="Customer name")
        self.session.fill("3", label="Quantity")
        self.session.fill("M", label="Priority")
        self.round_trip("save entry", "Enter", self.text("Saved Ada"))
        self.round_trip("back to menu", "PF3", self.text("MAIN MENU"))
