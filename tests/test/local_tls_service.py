"""What the local HTTPS services of the tests and the demo share: a
throwaway CA and server certificates made with openssl, an info file that
readers never see half-written, and a service started in the background of
its own session."""

import os
import subprocess
import time


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_ca(d, subject):
    """DIR/ca.key and DIR/ca.pem: a CA valid for two days."""
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
            "-days", "2", "-subj", "/CN=" + subject,
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign",
            "-keyout", "ca.key", "-out", "ca.pem", cwd=d)


def make_server_certificate(d, stem, common_name, alt_names):
    """DIR/STEM.key and DIR/STEM.pem, signed by the CA of make_ca, for the
    subject alternative names |alt_names| ("DNS:localhost,IP:127.0.0.1")."""
    ext = os.path.join(d, stem + ".ext")
    with open(ext, "w") as f:
        f.write("subjectAltName=%s\n"
                "basicConstraints=CA:FALSE\n"
                "keyUsage=digitalSignature,keyEncipherment\n"
                "extendedKeyUsage=serverAuth\n" % alt_names)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-sha256",
            "-subj", "/CN=" + common_name, "-keyout", stem + ".key",
            "-out", stem + ".csr", cwd=d)
    openssl("x509", "-req", "-in", stem + ".csr", "-CA", "ca.pem",
            "-CAkey", "ca.key", "-CAcreateserial", "-days", "2", "-sha256",
            "-extfile", ext, "-out", stem + ".pem", cwd=d)


def write_info(path, info):
    """key=value lines, replaced whole so that a reader sees all or none."""
    temp = path + ".tmp"
    with open(temp, "w") as f:
        for key, value in info.items():
            f.write("%s=%s\n" % (key, value))
    os.replace(temp, path)


def start_in_background(serve, log_path, is_ready, timeout=30):
    """Runs serve() in a child of its own session, its output in |log_path|,
    and waits until is_ready() says so. Returns the child's pid, or None when
    it ended or did not get ready in time."""
    pid = os.fork()
    if pid == 0:
        os.setsid()
        null = os.open(os.devnull, os.O_RDWR)
        log = os.open(log_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        os.dup2(null, 0)
        os.dup2(log, 1)
        os.dup2(log, 2)
        try:
            serve()
        finally:
            os._exit(0)
    deadline = time.time() + timeout
    while not is_ready():
        if time.time() > deadline or os.waitpid(pid, os.WNOHANG)[0]:
            return None
        time.sleep(0.05)
    return pid
