#!/usr/bin/env python3
"""A small web server on 127.0.0.1 for the update check's tests.

Serves the files of --root, plus a few made-up pages:
  /silent/...      accepts the request and never answers
  /big/<n>         n bytes of "x", without a length header
Every request is appended to --log as one JSON line (path, version, user agent, header names
in the order sent).
With --tls CERT KEY it speaks HTTPS. With --stall it speaks nothing at all: every connection is
accepted (and logged as {"connection": n}) and then left waiting, the way a hung server does. The chosen port is printed on the first line of standard
output. The server stops by itself when its standard input closes (the test ended) or after
--lifetime seconds, whichever comes first.
"""
import argparse
import json
import os
import socket
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def make_handler(root, log_path, stop):
    class Handler(BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def record(self):
            if not log_path:
                return
            entry = {"path": self.path, "version": self.request_version,
                     "agent": self.headers.get("User-Agent", ""),
                     "headers": list(self.headers.keys())}
            with open(log_path, "a", encoding="utf-8") as log:
                log.write(json.dumps(entry) + "\n")

        def do_GET(self):
            self.record()
            if self.path.startswith("/silent"):
                stop.wait()
                return
            if self.path.startswith("/big/"):
                self.send_big(int(self.path[len("/big/"):]))
                return
            self.send_file()

        def send_big(self, size):
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Connection", "close")
            self.end_headers()
            chunk = b"x" * 4096
            sent = 0
            while sent < size and not stop.is_set():
                piece = chunk[: min(len(chunk), size - sent)]
                try:
                    self.wfile.write(piece)
                except OSError:
                    return
                sent += len(piece)

        def send_file(self):
            relative = self.path.split("?", 1)[0].lstrip("/")
            path = os.path.realpath(os.path.join(root, relative))
            if not path.startswith(os.path.realpath(root) + os.sep) or not os.path.isfile(path):
                body = b"<html>not found</html>"
                self.send_response(404)
            else:
                with open(path, "rb") as page:
                    body = page.read()
                self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

    return Handler


def stall(log_path, stop, lifetime):
    listener = socket.create_server(("127.0.0.1", 0))
    listener.settimeout(0.05)
    print(listener.getsockname()[1], flush=True)
    held = []
    deadline = time.monotonic() + lifetime
    while not stop.is_set() and time.monotonic() < deadline:
        try:
            connection, _ = listener.accept()
        except socket.timeout:
            continue
        held.append(connection)
        if log_path:
            with open(log_path, "a", encoding="utf-8") as log:
                log.write(json.dumps({"connection": len(held)}) + "\n")
    for connection in held:
        connection.close()
    listener.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", default="")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--lifetime", type=float, default=60.0)
    parser.add_argument("--stall", action="store_true")
    args = parser.parse_args()

    stop = threading.Event()

    def stop_when_stdin_closes():
        try:
            while sys.stdin.buffer.read(1):
                pass
        finally:
            stop.set()

    threading.Thread(target=stop_when_stdin_closes, daemon=True).start()
    if args.stall:
        stall(args.log, stop, args.lifetime)
        return
    server = ThreadingHTTPServer(("127.0.0.1", 0), make_handler(args.root, args.log, stop))
    server.daemon_threads = True
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls[0], args.tls[1])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05},
                               daemon=True)
    serving.start()
    print(server.server_address[1], flush=True)
    stop.wait(args.lifetime)
    stop.set()
    server.shutdown()
    server.server_close()


if __name__ == "__main__":
    main()
