#!/usr/bin/env python3
"""Talks to the demo host as a terminal would: answers its telnet options,
logs in at its prompts, and receives a file by ZModem with Debian's rz; and
checks that the host leaves no temporary folder behind however it ends."""
import json
import os
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
HOST = os.path.join(HERE, "..", "..", "..", "tools", "demohost", "demohost.py")
# The NAPLPS samples (the build passes the shared folder's).
NAPLPS = os.environ.get("VELO_NAPLPS_DIR", os.path.join(HERE, "..", "..", "..", "..", "shared", "naplps"))
IAC, DONT, DO, WONT, WILL, SB, SE = 255, 254, 253, 252, 251, 250, 240


class Client:
    def __init__(self, port):
        self.s = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.buf = bytearray()
        self.seen_do = set()
        self.asked_ttype = False

    def feed(self, data):
        i = 0
        while i < len(data):
            b = data[i]
            if b == IAC and i + 1 < len(data):
                c = data[i + 1]
                if c == IAC:
                    self.buf.append(IAC)
                    i += 2
                elif c in (DO, DONT, WILL, WONT) and i + 2 < len(data):
                    opt = data[i + 2]
                    if c == DO:
                        self.seen_do.add(opt)
                        if opt == 24:
                            self.s.sendall(bytes([IAC, WILL, 24]))
                        elif opt == 31:
                            self.s.sendall(bytes([IAC, WILL, 31, IAC, SB, 31, 0, 80, 0, 28, IAC, SE]))
                    i += 3
                elif c == SB:
                    end = data.index(bytes([IAC, SE]), i)
                    if data[i + 2:i + 4] == bytes([24, 1]):
                        self.asked_ttype = True
                        self.s.sendall(bytes([IAC, SB, 24, 0]) + b"ANSI" + bytes([IAC, SE]))
                    i = end + 2
                else:
                    i += 2
            else:
                self.buf.append(b)
                i += 1

    def until(self, text, timeout=5):
        want = text.encode("cp949") if isinstance(text, str) else text
        deadline = time.time() + timeout
        while want not in self.buf:
            left = deadline - time.time()
            if left <= 0:
                raise AssertionError("never saw %r in %r" % (text, bytes(self.buf[-300:])))
            r, _, _ = select.select([self.s], [], [], left)
            if r:
                data = self.s.recv(65536)
                if not data:
                    raise AssertionError("closed before %r" % text)
                self.feed(data)
        idx = self.buf.index(want) + len(want)
        seen = bytes(self.buf[:idx])
        del self.buf[:idx]
        return seen

    def line(self, text):
        self.s.sendall(text.encode("cp949") + b"\r\n")


def start_host(base, *extra):
    """Starts the host with its temporary files under base/tmp (its own
    TMPDIR) and returns it with its port once it listens."""
    tmp = os.path.join(base, "tmp")
    os.makedirs(tmp, exist_ok=True)
    portfile = os.path.join(base, "port")
    host = subprocess.Popen([sys.executable, HOST, "--port", "0", "--port-file", portfile] + list(extra),
                            stdout=subprocess.DEVNULL, env=dict(os.environ, TMPDIR=tmp))
    text = ""
    for _ in range(100):
        if os.path.exists(portfile):
            with open(portfile) as f:
                text = f.read()
            if text:
                break
        time.sleep(0.05)
    if not text:
        host.kill()
        host.wait()
        raise AssertionError("the demo host did not start")
    return host, int(text)


def pump(c, proc, timeout=30):
    """Runs a ZModem program against the host over the client's socket:
    telnet commands taken out on the way in, 0xFF doubled on the way out.
    Returns the bytes that went to the program."""
    # Bytes already taken off the socket belong to the program.
    proc.stdin.write(bytes(c.buf))
    passed = bytearray(c.buf)
    c.buf.clear()
    out = proc.stdout.fileno()
    deadline = time.time() + timeout
    while proc.poll() is None and time.time() < deadline:
        r, _, _ = select.select([c.s, out], [], [], 0.5)
        if c.s in r:
            data = c.s.recv(65536)
            if not data:
                break
            before = len(c.buf)
            c.feed(data)
            chunk = bytes(c.buf[before:])
            passed += chunk
            try:
                proc.stdin.write(chunk)
            except OSError:
                pass
            del c.buf[before:]
        if out in r:
            data = os.read(out, 65536)
            if data:
                c.s.sendall(data.replace(b"\xff", b"\xff\xff"))
    # What the program wrote last (sz's "OO") still goes to the host.
    while select.select([out], [], [], 0)[0]:
        data = os.read(out, 65536)
        if not data:
            break
        c.s.sendall(data.replace(b"\xff", b"\xff\xff"))
    return passed


class DemoHostTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.host, self.port = start_host(self.tmp, "--pictures", NAPLPS)

    def tearDown(self):
        self.host.terminate()
        self.host.wait(timeout=10)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def test_negotiates_greets_in_hangul_and_asks_kestrix_login(self):
        c = Client(self.port)
        greeting = c.until("회 원 ID :")
        self.assertIn(24, c.seen_do)
        self.assertIn(31, c.seen_do)
        self.assertTrue(c.asked_ttype)
        self.assertIn("벨로우 데모 BBS".encode("cp949"), greeting)
        self.assertIn(b"\x1b[1;33m", greeting)
        self.assertIn("화면: 80 x 28".encode("cp949"), greeting)
        self.assertIn(b"ANSI", greeting)
        c.line("guest")
        c.until("비밀 번호:")
        c.line("secret")
        c.until("guest 님, 환영합니다.")
        menu = c.until("선택 >> ")
        self.assertIn(b"[01]", menu)
        self.assertIn(b"(GO/DN/UP/P/H/X)", menu)
        c.line("한글 echo")
        c.until("입력: ")
        c.until("한글 echo")
        c.line("x")
        c.until("안녕히 가십시오.")

    def login(self):
        """A client past the Kestrix log-in, at the main menu."""
        c = Client(self.port)
        c.until("회 원 ID :")
        c.line("guest")
        c.until("비밀 번호:")
        c.line("pw")
        c.until("선택 >> ")
        return c

    def test_download_by_zmodem_reaches_rz_intact(self):
        c = self.login()
        c.line("dn 1")
        c.until("ZModem")
        c.until(b"\r\n")
        down = os.path.join(self.tmp, "down")
        os.mkdir(down)
        rz = subprocess.Popen(["rz", "-q", "-y"], cwd=down, stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, bufsize=0)
        passed = pump(c, rz)
        rz.wait(timeout=10)
        self.assertEqual(rz.returncode, 0)
        got = open(os.path.join(down, "velo-demo.txt"), "rb").read()
        self.assertIn("데모 호스트가 보낸 파일".encode("cp949"), got)
        self.assertTrue(got.endswith(bytes(range(256)) * 4))
        # The host's closing line may have reached rz's input before rz ended.
        done = "전송을 마쳤습니다 (0).".encode("cp949")
        if done not in passed:
            c.until(done)

    def test_videotex_picture_until_enter_in_the_picture_window(self):
        c = self.login()
        c.line("6")
        c.until(b"\x1b%A")
        with open(os.path.join(NAPLPS, "MIATA1.nap"), "rb") as f:
            picture = f.read()
        deadline = time.time() + 10
        while len(c.buf) < len(picture) and time.time() < deadline:
            r, _, _ = select.select([c.s], [], [], 0.2)
            if r:
                c.feed(c.s.recv(65536))
        # As it is in the folder (the telnet doubling of 0xFF undone), and
        # nothing more until Enter.
        self.assertEqual(bytes(c.buf), picture)
        c.buf.clear()
        c.s.sendall(b"\r")
        self.assertEqual(c.until(b"\x1b%@"), b"\x1b%@")
        c.until("선택 >> ")

    def packets(self, c, answer):
        """Reads image-index packets until Z (or ESC % C), answering each
        with answer(type); returns the data of the D packets."""
        data = bytearray()
        while True:
            seen = c.until(b"\r")
            if seen.endswith(b"\x1b%C") or b"\x1b%C" in seen:
                return bytes(data), False
            body = seen[seen.rindex(b"\x01") + 1:-1]
            raw = bytearray()
            i = 0
            while i < len(body):
                if body[i] == 0x23:
                    raw.append(0x23 if body[i + 1] == 0x23 else body[i + 1] ^ 0x40)
                    i += 2
                else:
                    raw.append(body[i])
                    i += 1
            if raw[:1] == b"Z":
                return bytes(data), True
            self.assertEqual(raw[:1], b"D")
            data += raw[2:]
            c.s.sendall(b"\x01" + answer(raw[:1]) + b"\r")

    def test_jpeg_in_image_index_packets_each_answered(self):
        c = self.login()
        c.line("7")
        c.until(b"\x1b%B4")
        data, complete = self.packets(c, lambda kind: kind)
        self.assertTrue(complete)
        folder = os.listdir(os.path.join(self.tmp, "tmp"))[0]
        with open(os.path.join(self.tmp, "tmp", folder, "velo-demo.jpg"), "rb") as f:
            self.assertEqual(data, f.read())
        self.assertTrue(data.startswith(b"\xff\xd8") and data.endswith(b"\xff\xd9"))
        c.until("사진을 다 보냈습니다.")
        c.until("선택 >> ")

    def test_a_cancelled_image_index_is_ended_by_the_host(self):
        c = self.login()
        c.line("7")
        c.until(b"\x1b%B4")
        c.until(b"\x01D")
        c.until(b"\r")
        c.s.sendall(b"\x01Z\r")
        c.until(b"\x1b%C")
        c.until("사진 보내기를 그만둡니다.")
        c.until("선택 >> ")

    def test_uploads_by_zmodem_and_typed_text_land_in_the_uploads_folder(self):
        c = self.login()
        src = os.path.join(self.tmp, "src")
        os.mkdir(src)
        files = {"one.bin": bytes(range(256)) * 40, "two.txt": "두 번째\r\n".encode("cp949") * 100}
        for name, data in files.items():
            with open(os.path.join(src, name), "wb") as f:
                f.write(data)
        c.line("up")
        c.until("ZModem 으로 올려 주십시오.")
        sz = subprocess.Popen(["sz", "-q", "-e"] + sorted(files), cwd=src, stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, bufsize=0)
        passed = pump(c, sz)
        sz.wait(timeout=10)
        self.assertEqual(sz.returncode, 0)
        done = "올리기를 마쳤습니다 (0).".encode("cp949")
        if done not in passed:
            c.until(done)
        uploads = [d for d in os.listdir(os.path.join(self.tmp, "tmp")) if d.startswith("velo-demohost-")]
        self.assertEqual(len(uploads), 1)
        folder = os.path.join(self.tmp, "tmp", uploads[0], "uploads")
        for name, data in files.items():
            with open(os.path.join(folder, name), "rb") as f:
                self.assertEqual(f.read(), data, name)
        c.until("선택 >> ")
        c.line("text 10")
        c.until("(10 바이트).")
        c.s.sendall(b"abc\rdefghi")
        c.until("받은 글: 10 바이트")
        with open(os.path.join(folder, "text-upload.txt"), "rb") as f:
            self.assertEqual(f.read(), b"abc\rdefghi")


class ServicePromptsTest(unittest.TestCase):
    """Each imitated service asks its own prompts in KS C 5601, its way, and
    the report holds the log-in and the lines typed after it."""

    # service | user-id prompt | password prompt | sent wrapped in colour
    CASES = [
        ("chollian", "회원 ID  :", "비밀번호 :", "user"),
        ("hitel", "이용자번호 :", "비밀  번호 :", "password"),
        ("nowcom", "나 우 ID :", "비밀번호 :", "user"),
        ("unitel", "이용자ID :", "비밀번호 :", None),
        ("kestrix", "회 원 ID :", "비밀 번호:", None),
    ]

    def test_each_service_asks_its_prompts_and_reports_what_arrived(self):
        for service, user_prompt, pw_prompt, coloured in self.CASES:
            with self.subTest(service=service):
                base = tempfile.mkdtemp()
                report = os.path.join(base, "report")
                host, port = start_host(base, "--service", service, "--report", report)
                try:
                    c = Client(port)
                    seen = c.until(user_prompt)
                    if coloured == "user":
                        self.assertTrue(seen.endswith(b"\x1b[1;36m" + user_prompt.encode("cp949")))
                    c.line("손님")
                    seen = c.until(pw_prompt)
                    if coloured == "password":
                        self.assertTrue(seen.endswith(b"\x1b[1;36m" + pw_prompt.encode("cp949")))
                    c.line("pw한")
                    c.until("선택 >> ")
                    c.line("go 공지")
                    c.until("선택 >> ")
                    with open(report, encoding="utf-8") as f:
                        got = [json.loads(line) for line in f]
                    self.assertEqual(got[0]["event"], "login")
                    self.assertEqual((got[0]["user"], got[0]["password"]), ("손님", "pw한"))
                    self.assertEqual(got[1:], [{"event": "line", "text": "go 공지"}])
                finally:
                    host.terminate()
                    host.wait(timeout=10)
                    shutil.rmtree(base, ignore_errors=True)


class CleanUpTest(unittest.TestCase):
    """The files offered for download live in a folder the host makes under
    TMPDIR; it goes with the host, whether a signal ends it or it ends by
    itself after --once."""

    def test_the_temporary_folder_goes_with_the_host(self):
        # how the host ends | a client connected at the time | exit status
        cases = [
            (signal.SIGTERM, False, -signal.SIGTERM),
            (signal.SIGINT, False, -signal.SIGINT),
            (signal.SIGHUP, False, -signal.SIGHUP),
            (signal.SIGTERM, True, -signal.SIGTERM),
            ("--once", True, 0),
        ]
        for how, connected, status in cases:
            with self.subTest(how=getattr(how, "name", how), connected=connected):
                base = tempfile.mkdtemp()
                try:
                    tmp = os.path.join(base, "tmp")
                    host, port = start_host(base, *(["--once"] if how == "--once" else []))
                    try:
                        made = os.listdir(tmp)
                        self.assertEqual(len(made), 1, made)
                        self.assertTrue(made[0].startswith("velo-demohost-"), made)
                        self.assertIn("velo-demo.txt", os.listdir(os.path.join(tmp, made[0])))
                        client = None
                        if connected:
                            client = Client(port)
                            client.until("회 원 ID :")
                        if how == "--once":
                            client.line("guest")
                            client.until("비밀 번호:")
                            client.line("pw")
                            client.until("선택 >> ")
                            client.line("x")
                            client.until("안녕히 가십시오.")
                        else:
                            host.send_signal(how)
                        self.assertEqual(host.wait(timeout=10), status)
                        if client:
                            client.s.close()
                    finally:
                        if host.poll() is None:
                            host.kill()
                            host.wait()
                    self.assertEqual(os.listdir(tmp), [])
                finally:
                    shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
