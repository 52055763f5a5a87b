#!/usr/bin/env python3
"""Hostile web sites on one loopback address, for measuring zorvel-cli check-links
by hand (memory with /usr/bin/time -v, time, what is printed). Stops by itself after
--seconds. Paths:

  /chunked/...   an HTML page whose chunked body never ends
  /busy/...      429 with Retry-After: 1, always
  /hops/N        a 302 to /hops/N+1 after --hop-delay seconds, without end
  /amps/...      a 200 page whose title is 512 KB of "&"
  /silent/...    the request is read and never answered
  anything else  a small page
"""

import argparse
import http.server
import socketserver
import threading
import time


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    hop_delay = 14.0

    def log_message(self, *args):
        pass

    def do_GET(self):
        p = self.path
        try:
            if p.startswith("/chunked/"):
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.send_header("Transfer-Encoding", "chunked")
                self.end_headers()
                chunk = b"<html><head><title>" + b"x" * 65536
                frame = b"%x\r\n" % len(chunk) + chunk + b"\r\n"
                while True:
                    self.wfile.write(frame)
            elif p.startswith("/busy/"):
                self.answer(429, b"busy", [("Retry-After", "1")])
            elif p.startswith("/hops/"):
                n = int(p.split("/")[2] or 0)
                time.sleep(self.hop_delay)
                self.answer(302, b"", [("Location", "/hops/%d" % (n + 1))])
            elif p.startswith("/amps/"):
                self.answer(200, b"<html><head><title>" + b"&" * (512 * 1024) + b"</title>")
            elif p.startswith("/silent/"):
                time.sleep(3600)
            else:
                self.answer(200, b"<html><head><title>fine</title></head></html>")
        except (BrokenPipeError, ConnectionResetError):
            pass

    def answer(self, status, body, headers=()):
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        for k, v in headers:
            self.send_header(k, v)
        self.end_headers()
        self.wfile.write(body)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    a = argparse.ArgumentParser()
    a.add_argument("--address", default="127.0.0.1")
    a.add_argument("--port", type=int, default=8080)
    a.add_argument("--seconds", type=float, default=300)
    a.add_argument("--hop-delay", type=float, default=14.0)
    o = a.parse_args()
    if not o.address.startswith("127."):
        raise SystemExit("loopback addresses only")
    Handler.hop_delay = o.hop_delay
    server = Server((o.address, o.port), Handler)
    threading.Timer(o.seconds, server.shutdown).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
