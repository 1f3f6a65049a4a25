#!/usr/bin/env python3
"""The capture proxy of a test or demo run: analytics events end here, on the
machine, instead of going out to the collection host.

  event_capture_proxy.py start DIR   makes a test CA and a certificate with
                                     openssl, starts the proxy in the
                                     background on 127.0.0.1, writes
                                     DIR/proxy.info and prints the port
  event_capture_proxy.py stop DIR    ends the proxy started for DIR
  event_capture_proxy.py show DIR    prints the captured events

The programs under Wine reach it through https_proxy (tools/wine_env.sh sets
it): libcurl sends "CONNECT host:443" here. The proxy answers 200 itself,
opens no connection of its own, ends TLS with its test certificate and
answers every request with 200 "ok". Each POST is appended to DIR/events.jsonl
as one JSON line {"host": "host:port", "path": ..., "body": ...}, written and
flushed before the answer goes out, so a request that the program saw answered
is already in the file. Tests read it through tests/test/event_capture.h.

proxy.info holds key=value lines: port, pid, events, ca.
"""

import json
import os
import signal
import socket
import ssl
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import local_tls_service  # noqa: E402

LIFETIME_SECONDS = 60 * 60  # Never outlive a forgotten run for long.
CERTIFICATE_HOST = "www.google-analytics.com"
MAX_HEADER_BYTES = 64 * 1024
MAX_BODY_BYTES = 1024 * 1024


def make_certificates(d):
    local_tls_service.make_ca(d, "tavrin event capture test CA")
    local_tls_service.make_server_certificate(
        d, "server", CERTIFICATE_HOST, "DNS:" + CERTIFICATE_HOST)


def read_head(stream):
    """The request head up to the blank line and what followed it, or
    (None, b"") at the end of the stream."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = stream.recv(4096)
        if not chunk or len(data) > MAX_HEADER_BYTES:
            return None, b""
        data += chunk
    head, rest = data.split(b"\r\n\r\n", 1)
    return head.decode("latin-1"), rest


def parse_head(head):
    lines = head.split("\r\n")
    parts = lines[0].split(" ")
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    method = parts[0] if parts else ""
    target = parts[1] if len(parts) > 1 else ""
    return method, target, headers


def answer(stream, status, text, close=False):
    payload = text.encode()
    stream.sendall(("HTTP/1.1 %s\r\nContent-Length: %d\r\n%s\r\n" % (
        status, len(payload), "Connection: close\r\n" if close else "")
    ).encode() + payload)


class Recorder:
    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()
        open(path, "wb").close()

    def record(self, host, path, body):
        line = json.dumps({"host": host, "path": path,
                           "body": body.decode("utf-8", "replace")})
        with self.lock, open(self.path, "a", encoding="utf-8") as f:
            f.write(line + "\n")
            f.flush()


def serve_tunnel(tls, host, recorder):
    buffer = b""
    while True:
        while b"\r\n\r\n" not in buffer:
            chunk = tls.recv(4096)
            if not chunk or len(buffer) > MAX_HEADER_BYTES:
                return
            buffer += chunk
        head, buffer = buffer.split(b"\r\n\r\n", 1)
        method, path, headers = parse_head(head.decode("latin-1"))
        length = int(headers.get("content-length", "0") or "0")
        if length < 0 or length > MAX_BODY_BYTES:
            answer(tls, "413 Payload Too Large", "too large", close=True)
            return
        while len(buffer) < length:
            chunk = tls.recv(length - len(buffer))
            if not chunk:
                return
            buffer += chunk
        body, buffer = buffer[:length], buffer[length:]
        if method == "POST":
            recorder.record(host, path, body)
        answer(tls, "200 OK", "ok")


def handle(connection, context, recorder):
    connection.settimeout(60)
    try:
        head, rest = read_head(connection)
        if head is None:
            return
        method, target, _ = parse_head(head)
        if method != "CONNECT" or rest:
            # Only tunnels end here; nothing is ever forwarded.
            answer(connection, "405 Method Not Allowed", "CONNECT only",
                   close=True)
            return
        connection.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
        tls = context.wrap_socket(connection, server_side=True)
        serve_tunnel(tls, target, recorder)
    except (OSError, ssl.SSLError, ValueError):
        pass
    finally:
        try:
            connection.close()
        except OSError:
            pass


def serve(d):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(d, "server.pem"),
                            os.path.join(d, "server.key"))
    recorder = Recorder(os.path.join(d, "events.jsonl"))
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    info = {"port": listener.getsockname()[1], "pid": os.getpid(),
            "events": recorder.path, "ca": os.path.join(d, "ca.pem")}
    local_tls_service.write_info(os.path.join(d, "proxy.info"), info)

    def accept():
        while True:
            connection, _ = listener.accept()
            threading.Thread(target=handle,
                             args=(connection, context, recorder),
                             daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    time.sleep(LIFETIME_SECONDS)


def read_info(d):
    info = {}
    try:
        with open(os.path.join(d, "proxy.info")) as f:
            for line in f:
                key, _, value = line.strip().partition("=")
                info[key] = value
    except OSError:
        pass
    return info


def stop(d):
    pid = read_info(d).get("pid")
    if pid:
        try:
            os.kill(int(pid), signal.SIGTERM)
        except (OSError, ValueError):
            pass
    try:
        os.remove(os.path.join(d, "proxy.info"))
    except OSError:
        pass
    return 0


def start(d):
    stop(d)
    os.makedirs(d, exist_ok=True)
    make_certificates(d)
    if not local_tls_service.start_in_background(
            lambda: serve(d), os.path.join(d, "proxy.log"),
            lambda: "port" in read_info(d)):
        print("event capture proxy did not start", file=sys.stderr)
        return 1
    print(read_info(d)["port"])
    return 0


def show(d):
    try:
        with open(os.path.join(d, "events.jsonl"), encoding="utf-8") as f:
            for line in f:
                event = json.loads(line)
                print("  POST https://%s%s  %s" % (
                    event["host"].removesuffix(":443"), event["path"],
                    event["body"]))
    except OSError:
        pass
    return 0


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop", "show"):
        print(__doc__, file=sys.stderr)
        return 2
    d = os.path.abspath(sys.argv[2])
    return {"start": start, "stop": stop, "show": show}[sys.argv[1]](d)


if __name__ == "__main__":
    sys.exit(main())
