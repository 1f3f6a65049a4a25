#!/usr/bin/env python3
"""Runs the capture proxy on the build host, without Wine, and talks to it
the way libcurl does through https_proxy: CONNECT, then TLS and HTTP/1.1
POSTs inside the tunnel."""

import json
import os
import socket
import ssl
import subprocess
import sys
import tempfile
import unittest

PROXY = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                     "event_capture_proxy.py")


def run(*args):
    return subprocess.run([sys.executable, PROXY, *args], check=True,
                          capture_output=True, text=True).stdout


class EventCaptureProxyTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="event_capture_test_")
        cls.port = int(run("start", cls.dir).strip())

    @classmethod
    def tearDownClass(cls):
        run("stop", cls.dir)

    def connect(self, target="www.google-analytics.com:443"):
        raw = socket.create_connection(("127.0.0.1", self.port), timeout=10)
        raw.sendall(("CONNECT %s HTTP/1.1\r\nHost: %s\r\n\r\n" %
                     (target, target)).encode())
        reply = b""
        while b"\r\n\r\n" not in reply:
            chunk = raw.recv(1024)
            self.assertTrue(chunk, "proxy closed the connection")
            reply += chunk
        self.assertTrue(reply.startswith(b"HTTP/1.1 200"), reply)
        context = ssl.create_default_context(
            cafile=os.path.join(self.dir, "ca.pem"))
        # Its certificate names the collection host only; other hosts get it
        # too, as Wine's Schannel does not check the name in libcurl's
        # default mode.
        context.check_hostname = target.startswith(
            "www.google-analytics.com:")
        return context.wrap_socket(raw, server_hostname=target.split(":")[0])

    def post(self, tls, body):
        data = body.encode()
        tls.sendall(b"POST /collect HTTP/1.1\r\nHost: x\r\n"
                    b"Content-Length: %d\r\n\r\n%s" % (len(data), data))
        reply = b""
        while not reply.endswith(b"ok"):
            chunk = tls.recv(1024)
            self.assertTrue(chunk, "no answer in the tunnel")
            reply += chunk
        self.assertTrue(reply.startswith(b"HTTP/1.1 200 OK"), reply)

    def events(self):
        with open(os.path.join(self.dir, "events.jsonl")) as f:
            return [json.loads(line) for line in f]

    def test_records_each_body_in_order_with_its_tunnel(self):
        start = len(self.events())
        with self.connect() as tls:
            # Two requests on one connection, the second one unescaped.
            self.post(tls, "v=1&tid=UA-1-2&cid=c1&t=event&ec=Session&ea=start")
            self.post(tls, "v=1&cid=c1&ea=a b&el=x&y")
        with self.connect("other.example:443") as tls:
            self.post(tls, "")
        events = self.events()[start:]
        self.assertEqual([e["body"] for e in events],
                         ["v=1&tid=UA-1-2&cid=c1&t=event&ec=Session&ea=start",
                          "v=1&cid=c1&ea=a b&el=x&y", ""])
        self.assertEqual(events[0]["host"], "www.google-analytics.com:443")
        self.assertEqual(events[2]["host"], "other.example:443")
        self.assertEqual({e["path"] for e in events}, {"/collect"})

    def test_forwards_nothing_that_is_not_a_tunnel(self):
        start = len(self.events())
        raw = socket.create_connection(("127.0.0.1", self.port), timeout=10)
        raw.sendall(b"POST http://www.google-analytics.com/collect HTTP/1.1\r\n"
                    b"Content-Length: 3\r\n\r\nabc")
        reply = raw.recv(1024)
        raw.close()
        self.assertTrue(reply.startswith(b"HTTP/1.1 405"), reply)
        self.assertEqual(len(self.events()), start)


if __name__ == "__main__":
    unittest.main()
