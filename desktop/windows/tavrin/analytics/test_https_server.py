#!/usr/bin/env python3
"""HTTPS end points for the analytics tests, on 127.0.0.1 (https://localhost).

  test_https_server.py start DIR   makes a test CA and certificates with
                                   openssl, starts the servers in the
                                   background and writes DIR/server.info
  test_https_server.py stop DIR    ends the servers started for DIR

server.info holds key=value lines:
  ca           the test CA (PEM) that signed the good server's certificate
  good_port    TLS with a CA-signed certificate for localhost; a POST to
               /collect answers 200, a POST to /error/collect answers 500;
               every body received is appended as one line to `bodies`
  bodies       the file of received bodies
  rogue_port   TLS with a self-signed localhost certificate the CA never saw
  silent_port  accepts TCP connections and never says a word
  stalled_port completes TLS, reads the request and never answers
  closed_port  a port nothing listens on
"""

import http.server
import os
import signal
import socket
import ssl
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "..", "..", "tests", "test"))
import local_tls_service  # noqa: E402

LIFETIME_SECONDS = 30 * 60  # Never outlive a forgotten test run for long.


def make_certificates(d):
    local_tls_service.make_ca(d, "tavrin analytics test CA")
    local_tls_service.make_server_certificate(
        d, "good", "localhost", "DNS:localhost,IP:127.0.0.1")
    # Right name, but signed by nobody the client was told to trust.
    local_tls_service.openssl(
        "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
        "-days", "2", "-subj", "/CN=localhost",
        "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
        "-keyout", "rogue.key", "-out", "rogue.pem", cwd=d)


def tls_context(d, name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(d, name + ".pem"),
                            os.path.join(d, name + ".key"))
    return context


class CollectHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    bodies_path = None
    lock = threading.Lock()

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        with self.lock, open(self.bodies_path, "ab") as f:
            f.write(body + b"\n")
        status = 500 if self.path == "/error/collect" else 200
        if not self.path.endswith("/collect"):
            status = 404
        payload = b"ok" if status == 200 else b"failed"
        self.send_response(status)
        self.send_header("Content-Length", str(len(payload)))
        self.end_headers()
        self.wfile.write(payload)

    def log_message(self, *args):
        pass


class StalledHandler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        self.rfile.read(length)
        time.sleep(LIFETIME_SECONDS)

    def log_message(self, *args):
        pass


class TlsServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, handler, context):
        super().__init__(("127.0.0.1", 0), handler)
        self.context = context

    def get_request(self):
        sock, address = self.socket.accept()
        # The handshake runs in the handler's thread, so a client that
        # fails it cannot block the accept loop.
        return self.context.wrap_socket(
            sock, server_side=True, do_handshake_on_connect=False), address

    def finish_request(self, request, client_address):
        try:
            request.do_handshake()
        except (ssl.SSLError, OSError):
            return
        super().finish_request(request, client_address)


def silent_server():
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    held = []

    def accept():
        while True:
            connection, _ = listener.accept()
            held.append(connection)

    threading.Thread(target=accept, daemon=True).start()
    return listener.getsockname()[1]


def closed_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def serve(d):
    CollectHandler.bodies_path = os.path.join(d, "bodies")
    open(CollectHandler.bodies_path, "wb").close()
    servers = {
        "good_port": TlsServer(CollectHandler, tls_context(d, "good")),
        "rogue_port": TlsServer(CollectHandler, tls_context(d, "rogue")),
        "stalled_port": TlsServer(StalledHandler, tls_context(d, "good")),
    }
    info = {name: server.server_address[1] for name, server in servers.items()}
    info["silent_port"] = silent_server()
    info["closed_port"] = closed_port()
    info["ca"] = os.path.join(d, "ca.pem")
    info["bodies"] = CollectHandler.bodies_path
    for server in servers.values():
        threading.Thread(target=server.serve_forever, daemon=True).start()
    local_tls_service.write_info(os.path.join(d, "server.info"), info)
    time.sleep(LIFETIME_SECONDS)


def start(d):
    stop(d)
    os.makedirs(d, exist_ok=True)
    info = os.path.join(d, "server.info")
    if os.path.exists(info):
        os.remove(info)
    make_certificates(d)
    pid = local_tls_service.start_in_background(
        lambda: serve(d), os.path.join(d, "server.log"),
        lambda: os.path.exists(info))
    if not pid:
        print("test HTTPS server did not start", file=sys.stderr)
        return 1
    with open(os.path.join(d, "server.pid"), "w") as f:
        f.write(str(pid))
    print("test HTTPS server ready, pid %d" % pid)
    return 0


def stop(d):
    pid_file = os.path.join(d, "server.pid")
    if os.path.exists(pid_file):
        with open(pid_file) as f:
            pid = int(f.read().strip() or 0)
        if pid > 0:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        os.remove(pid_file)
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(start(sys.argv[2]) if sys.argv[1] == "start" else stop(sys.argv[2]))
