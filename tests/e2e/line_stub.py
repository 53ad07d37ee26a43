#!/usr/bin/env python3
"""A stand-in for the line service's ingest, for the whole-program tests of the run records.

It takes POST /api/v1/runs as the service does: the bearer token of station FT-07 (403 for a
record of another station), a record with schema and id, 201 when stored, 200 for the same
record again, 409 for the same id with other content. Each record is stored once, as
runs/<id>.json in the state folder; posts.log lists every request.

Behaviours for the faults the station must survive, set by the file <state>/mode (read at every
request): "normal", "fail500" (answers 500), "slow:<seconds>" (stores, then answers late),
"drop" (stores, then closes the connection without an answer), "reject" (answers 400), "noid"
(stores, then answers 200 without the record's id).

    line_stub.py <state folder> <token>     prints the port it listens on (127.0.0.1)
"""
import http.server
import json
import os
import sys
import threading
import time

STATE = sys.argv[1]
TOKEN = sys.argv[2]
STATION = "FT-07"  # the token's station
RUNS = os.path.join(STATE, "runs")
LOCK = threading.Lock()


def mode():
    try:
        with open(os.path.join(STATE, "mode")) as f:
            return f.read().strip() or "normal"
    except FileNotFoundError:
        return "normal"


class Ingest(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body):
        data = json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def store(self, record, body):
        """201 new, 200 the same again, 409 other content under a stored id."""
        path = os.path.join(RUNS, record["id"] + ".json")
        with LOCK:
            if os.path.exists(path):
                with open(path, "rb") as f:
                    return 200 if json.loads(f.read()) == record else 409
            with open(path, "wb") as f:
                f.write(body)
            return 201

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        behaviour = mode()
        with LOCK, open(os.path.join(STATE, "posts.log"), "a") as log:
            log.write("%s %s %d\n" % (behaviour, self.path, len(body)))
        if self.path != "/api/v1/runs":
            return self.answer(404, {"error": "no such route"})
        if self.headers.get("Authorization") != "Bearer " + TOKEN:
            return self.answer(401, {"error": "token"})
        if behaviour == "fail500":
            return self.answer(500, {"error": "store unavailable"})
        if behaviour == "reject":
            return self.answer(400, {"error": "rows[0].item is missing"})
        try:
            record = json.loads(body)
            if record.get("schema") != "varnex.run/1" or len(record.get("id", "")) != 36:
                raise ValueError("schema or id")
        except ValueError as error:
            return self.answer(400, {"error": str(error)})
        name = record.get("station", {}).get("name")
        if name != STATION:
            return self.answer(403, {"error": "station.name: %s is not the token's station %s" % (name, STATION),
                                     "code": "station-mismatch"})
        status = self.store(record, body)
        if behaviour == "drop":
            # Stored, but the answer never arrives: the station must send it again.
            self.close_connection = True
            self.connection.shutdown(2)
            return
        if behaviour.startswith("slow:"):
            time.sleep(float(behaviour.split(":", 1)[1]))
        if behaviour == "noid":
            return self.answer(200, {"stored": True})
        self.answer(status, {"id": record["id"], "stored": status == 201})


def main():
    os.makedirs(RUNS, exist_ok=True)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", int(os.environ.get("STUB_PORT", "0"))), Ingest)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
