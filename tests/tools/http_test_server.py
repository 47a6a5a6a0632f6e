#!/usr/bin/env python3
"""Loopback HTTP server for the download tests and the download benchmark.

Two ways to run it:
  --control PORT    connect to 127.0.0.1:PORT (the test listens there), send
                    "ports <http> <refused>\\n", then send one record per request received:
                    "record <n>\\n" followed by n bytes: the request line and CR LF, the header lines
                    as received, an empty line, the request body. The server ends as soon as
                    that connection closes, so a test that ends or dies takes its server along.
  --port-file PATH  write "<http> <refused>\\n" to PATH and serve until killed.
<refused> is a port bound but never listened on: connecting to it is refused.
With --tls-cert and --tls-key the server speaks HTTPS (the handshake is made in the request's
own thread, so a client that refuses the certificate stalls nothing); it then also serves plain
HTTP on a third port, which the ports line adds: "ports <https> <refused> <plain>" (TLS as well
in the redirect-http mode, which redirects to it as http://localhost:<plain>).
Either way the server also ends after --lifetime seconds.
  --tls-dir DIR     serve HTTPS instead: a test CA and a certificate for the name "localhost"
                    signed by it are made in DIR (ca.der is the CA for the client's root store)

Resources (any method):
  /fixed/N            N pattern bytes with Content-Length
  /chunked/N          N pattern bytes, chunked, no Content-Length
  /broken/N/M         Content-Length N, then M bytes and the connection is closed
  /bigheaders/N       like /fixed/N behind a 5000-byte header
  /echo               the request body with Content-Length
  /hold/N/M           Content-Length N, M pattern bytes, then nothing until the client closes
  /update/qln_plugin.rbz   the file given with --package (at --package-path instead when given,
                      as a company mirror keeps it), answered as --update-mode says:
                      ok (Content-Length), 404, broken (half of it, then the connection
                      closes), slow (in 20 pieces, 150 ms apart), hold (half of it, then
                      nothing until the client closes), huge (a Content-Length of 300 MiB, then
                      the package and the connection closes), chunked (no Content-Length),
                      partial (status 206 with the whole package), redirect-http (302 to the
                      same path on the plain port), conditional (ETag and Last-Modified on the
                      200, and 304 without a body to a request whose If-None-Match names that
                      ETag, or, without If-None-Match, whose If-Modified-Since is that date)
  anything else       404 with a short text body
Pattern byte i is i % 251, so that no chunk boundary lines up with the pattern.
"""
import argparse
import hashlib
import http.server
import os
import socket
import ssl
import subprocess
import sys
import threading
import time

PERIOD = bytes(i % 251 for i in range(251 * 261))  # a whole number of periods, ~64 KB
CHUNK_PIECES = (1000, 3000, 5000, 7)
LAST_MODIFIED = "Tue, 03 Mar 2026 10:00:00 GMT"


def pattern_slices(total):
    sent = 0
    while sent < total:
        n = min(len(PERIOD), total - sent)
        yield PERIOD[:n]
        sent += n


class Recorder:
    def __init__(self, control):
        self.control = control
        self.lock = threading.Lock()

    def record(self, request_line, headers, body):
        if self.control is None:
            return
        lines = [request_line.encode("latin-1") + b"\r\n"]
        for name, value in headers.items():
            lines.append(f"{name}: {value}\r\n".encode("latin-1"))
        lines.append(b"\r\n")
        payload = b"".join(lines) + body
        with self.lock:
            try:
                self.control.sendall(b"record %d\n" % len(payload) + payload)
            except OSError:
                os._exit(0)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    recorder = None
    package = None
    package_path = "/update/qln_plugin.rbz"
    update_mode = "ok"
    plain_port = 0

    def log_message(self, format, *args):
        pass

    def handle_any(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        self.recorder.record(self.requestline, self.headers, body)

        if self.path.split("?")[0] == self.package_path and self.package is not None:
            return self.send_package()
        parts = self.path.split("?")[0].strip("/").split("/")
        try:
            kind, numbers = parts[0], [int(p) for p in parts[1:]]
            if kind == "fixed" and len(numbers) == 1:
                return self.send_fixed(numbers[0], [])
            if kind == "bigheaders" and len(numbers) == 1:
                return self.send_fixed(numbers[0], [("X-Qln-Padding", "p" * 5000)])
            if kind == "chunked" and len(numbers) == 1:
                return self.send_chunked(numbers[0])
            if kind == "broken" and len(numbers) == 2:
                return self.send_broken(numbers[0], numbers[1])
            if kind == "echo" and not numbers:
                return self.send_body(200, body, "application/octet-stream")
            if kind == "hold" and len(numbers) == 2:
                return self.send_held(numbers[0], numbers[1])
        except ValueError:
            pass
        self.send_body(404, b"no such resource: " + self.path.encode("latin-1") + b"\n", "text/plain")

    do_GET = do_POST = do_PUT = do_HEAD = handle_any

    def send_body(self, status, body, content_type):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_fixed(self, n, extra_headers):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(n))
        self.send_header("X-Qln-Test", "fixed")
        for name, value in extra_headers:
            self.send_header(name, value)
        self.end_headers()
        for piece in pattern_slices(n):
            self.wfile.write(piece)

    def send_chunked(self, n):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        data = b"".join(pattern_slices(n))
        at, i = 0, 0
        while at < n:
            piece = data[at:at + CHUNK_PIECES[i % len(CHUNK_PIECES)]]
            self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
            self.wfile.flush()
            at += len(piece)
            i += 1
        self.wfile.write(b"0\r\n\r\n")

    def send_package(self):
        data = self.package
        mode = self.update_mode
        if mode == "404":
            return self.send_body(404, b"<html>not found</html>", "text/html")
        if mode == "broken":
            return self.send_broken(len(data), len(data) // 2, data)
        if mode == "hold":
            return self.send_held(len(data), len(data) // 2, data)
        if mode == "huge":
            return self.send_broken(300 * 1024 * 1024, len(data), data)
        if mode == "partial":
            return self.send_body(206, data, "application/octet-stream")
        if mode == "redirect-http":
            self.send_response(302)
            self.send_header("Location", "http://localhost:%d%s" % (self.plain_port, self.path))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if mode == "conditional":
            etag = '"qln-%s"' % hashlib.sha256(data).hexdigest()[:16]
            asked_tag = self.headers.get("If-None-Match")
            current = asked_tag == etag if asked_tag is not None else \
                self.headers.get("If-Modified-Since") == LAST_MODIFIED
            self.send_response(304 if current else 200)
            self.send_header("ETag", etag)
            self.send_header("Last-Modified", LAST_MODIFIED)
            if not current:
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            if not current:
                self.wfile.write(data)
            return
        if mode == "chunked":
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for at in range(0, len(data), 5000):
                piece = data[at:at + 5000]
                self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
            self.wfile.write(b"0\r\n\r\n")
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.update_mode == "slow":
            step = max(1, len(data) // 20 + 1)
            for at in range(0, len(data), step):
                self.wfile.write(data[at:at + step])
                self.wfile.flush()
                time.sleep(0.15)
        else:
            self.wfile.write(data)

    def send_part(self, announced, sent, data=None):
        """Announces `announced` bytes and sends `sent` of them (of `data`, or the pattern)."""
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(announced))
        self.end_headers()
        self.wfile.write(data[:sent] if data is not None else b"".join(pattern_slices(sent)))
        self.wfile.flush()
        self.close_connection = True

    def send_held(self, announced, sent, data=None):
        """A part, then nothing until the client closes."""
        self.send_part(announced, sent, data)
        self.connection.settimeout(60)
        try:
            while self.connection.recv(4096):
                pass
        except OSError:
            pass

    def send_broken(self, announced, sent, data=None):
        """A part, then the connection closes."""
        self.send_part(announced, sent, data)
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

def make_tls_files(folder):
    """A throw-away CA and a server certificate for "localhost" signed by it."""
    os.makedirs(folder, exist_ok=True)
    def openssl(*arguments):
        subprocess.run(("openssl",) + arguments, cwd=folder, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
            "-days", "30", "-subj", "/CN=Quorlen Test CA",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out", "server.csr",
            "-subj", "/CN=localhost")
    with open(os.path.join(folder, "server.ext"), "w") as f:
        f.write("subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\n"
                "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
            "-out", "server.pem", "-days", "30", "-extfile", "server.ext")
    openssl("x509", "-in", "ca.pem", "-outform", "der", "-out", "ca.der")
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(folder, "server.pem"), os.path.join(folder, "server.key"))
    return context


class PlainHandler(Handler):
    timeout = 3  # a TLS client that followed a redirect here waits for no one


class QuietServer(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        pass  # a client that refused the certificate, or went away: nothing to report


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--control", type=int)
    parser.add_argument("--port-file")
    parser.add_argument("--lifetime", type=float, default=300.0)
    parser.add_argument("--package")
    parser.add_argument("--package-path", default=Handler.package_path)
    parser.add_argument("--http-port", type=int, default=0, help="listen here instead of a free port")
    parser.add_argument("--update-mode", default="ok",
                        choices=("ok", "404", "broken", "slow", "hold", "huge", "chunked", "partial", "redirect-http",
                                 "conditional"))
    parser.add_argument("--tls-dir")
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    args = parser.parse_args()
    if args.package:
        with open(args.package, "rb") as f:
            Handler.package = f.read()
    Handler.update_mode = args.update_mode
    Handler.package_path = args.package_path
    if (args.control is None) == (args.port_file is None):
        parser.error("give exactly one of --control and --port-file")

    timer = threading.Timer(args.lifetime, os._exit, [3])
    timer.daemon = True
    timer.start()

    refused = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    refused.bind(("127.0.0.1", 0))  # bound, never listened on

    control = None
    if args.control is not None:
        control = socket.create_connection(("127.0.0.1", args.control), timeout=10)
        control.settimeout(None)
    Handler.recorder = Recorder(control)
    http.server.ThreadingHTTPServer.allow_reuse_address = True
    server = QuietServer(("127.0.0.1", args.http_port), Handler)
    server.daemon_threads = True
    if args.tls_dir:
        server.socket = make_tls_files(args.tls_dir).wrap_socket(server.socket, server_side=True)
    ports = b"ports %d %d" % (server.server_address[1], refused.getsockname()[1])
    if args.tls_cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls_cert, args.tls_key)
        server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
        plain = QuietServer(("127.0.0.1", 0), PlainHandler)
        plain.daemon_threads = True
        if args.update_mode == "redirect-http":
            # Wine keeps TLS for a redirect to an http:// URL (Windows would not): the redirect's
            # target speaks TLS too, so that the client gets as far as its answer.
            plain.socket = context.wrap_socket(plain.socket, server_side=True, do_handshake_on_connect=False)
        Handler.plain_port = plain.server_address[1]
        threading.Thread(target=plain.serve_forever, daemon=True).start()
        ports += b" %d" % Handler.plain_port
    ports += b"\n"

    if control is None:
        with open(args.port_file + ".part", "wb") as f:
            f.write(ports)
        os.replace(args.port_file + ".part", args.port_file)
        server.serve_forever()
        return

    threading.Thread(target=server.serve_forever, daemon=True).start()
    control.sendall(ports)
    while True:
        try:
            if not control.recv(4096):
                break
        except OSError:
            break
    os._exit(0)


if __name__ == "__main__":
    sys.exit(main())
