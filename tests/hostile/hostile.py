#!/usr/bin/env python3
"""The hostile suite: the real quorlirc program against scripted servers, DCC peers and
broken files. For every case the program must survive, answer PING within a second, end
within two seconds of SIGTERM, write nothing outside its own folders and keep its stored
settings.

Usage: hostile.py [--long] [case ...]   (QUORL_BINARY names the program)
"""

import os
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

BINARY = os.path.abspath(os.environ.get("QUORL_BINARY", "")) if os.environ.get("QUORL_BINARY") else ""
LONG = "--long" in sys.argv
NICK = "hostile"
CHANNEL = "#hostile"
LOCALHOST_DECIMAL = str(0x7F000001)


class Failure(Exception):
    pass


class Skipped(Exception):
    """The case needs something this machine does not have."""


def check(condition, message):
    if not condition:
        raise Failure(message)


class Server:
    """One scripted IRC server for one client: records every line the client sends."""

    def __init__(self):
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.port = self.listener.getsockname()[1]
        self.conn = None
        self.lines = []
        self.cond = threading.Condition()
        self.reading = True
        self.closed = False

    def accept(self, timeout=15):
        self.listener.settimeout(timeout)
        self.conn, _ = self.listener.accept()
        self.conn.settimeout(None)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        buffer = b""
        while True:
            with self.cond:
                if not self.reading:
                    return
            try:
                data = self.conn.recv(65536)
            except OSError:
                data = b""
            if not data:
                with self.cond:
                    self.closed = True
                    self.cond.notify_all()
                return
            buffer += data
            *complete, buffer = buffer.split(b"\n")
            with self.cond:
                for raw in complete:
                    line = raw.rstrip(b"\r").decode("utf-8", "replace")
                    self.lines.append(line)
                    self._answer(line)
                self.cond.notify_all()

    def _answer(self, line):
        if line.startswith("CAP LS"):
            self.send(":irc.test CAP * LS :")

    def send(self, text):
        self.send_raw(text.encode("utf-8", "surrogateescape") + b"\r\n")

    def send_raw(self, data):
        self.conn.sendall(data)

    def wait_line(self, prefix, timeout):
        deadline = time.monotonic() + timeout
        with self.cond:
            while True:
                if any(line.startswith(prefix) for line in self.lines):
                    return True
                left = deadline - time.monotonic()
                if left <= 0 or self.closed:
                    return False
                self.cond.wait(left)

    def count(self, prefix):
        with self.cond:
            return sum(1 for line in self.lines if line.startswith(prefix))

    def stop_reading(self):
        with self.cond:
            self.reading = False
        self.conn.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)

    def close(self):
        for s in (self.conn, self.listener):
            try:
                if s:
                    s.close()
            except OSError:
                pass


SETTINGS = (
    "[USER]\r\nnicks=hostile,hostile2,\r\nlastnick=hostile\r\nname=Hostile Tester\r\n"
    "[DISPLAY]\r\nlasttheme=0\r\n0=quorl,CH!unused!,PC!unused!,DC!unused!\r\n"
    "[DCC]\r\nchatinboundaction=0\r\nfileinboundaction=0\r\n"
    "[MISC]\r\nmodname=Quorl.mnu\r\n"
)
# Chat offers taken without a prompt, for the cases where a peer drives a chat.
CHATS_ACCEPTED = SETTINGS.replace("chatinboundaction=0", "chatinboundaction=1")
SERVER_LIST = (
    "SERVER LIST\r\n\tHostileNet\r\n\t\tHostileNet - one server\r\n"
    "\t\t\tHOST: irc.hostile.test\r\n\t\t\tPORT: 6667\r\n"
)
SOURCE_DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data")


class Run:
    """The program in a scratch folder: home (its program folder), a working folder and a
    HOME of its own, which must both stay empty."""

    def __init__(self, name, settings=SETTINGS, server_list=SERVER_LIST, theme=None):
        self.name = name
        self.root = tempfile.mkdtemp(prefix="quorl-hostile-")
        self.home = os.path.join(self.root, "home")
        self.cwd = os.path.join(self.root, "cwd")
        self.user_home = os.path.join(self.root, "user")
        self.xdg = os.path.join(self.root, "xdg")
        for d in (self.home, self.cwd, self.user_home, self.xdg):
            os.makedirs(d)
        for sub in ("themes", "Menu Mods", "scripts/objects", "Received Files", "posters"):
            os.makedirs(os.path.join(self.home, sub), exist_ok=True)
        shutil.copy(os.path.join(SOURCE_DATA, "themes", "quorl.qth"),
                    os.path.join(self.home, "themes"))
        shutil.copy(os.path.join(SOURCE_DATA, "Menu Mods", "Quorl.mnu"),
                    os.path.join(self.home, "Menu Mods"))
        self.write("quorl.ini", settings)
        self.write("qrlsrvs.txt", server_list)
        if theme is not None:
            self.write("themes/quorl.qth", theme)
        self.server = Server()
        self.process = None
        self.terminated = False

    def write(self, relative, content):
        data = content if isinstance(content, bytes) else content.encode("latin-1")
        with open(os.path.join(self.home, relative), "wb") as f:
            f.write(data)

    def read(self, relative):
        with open(os.path.join(self.home, relative), "rb") as f:
            return f.read()

    def environment(self):
        env = dict(os.environ)
        env.update(QT_QPA_PLATFORM="offscreen", HOME=self.user_home,
                   XDG_CONFIG_HOME=os.path.join(self.xdg, "config"),
                   XDG_CACHE_HOME=os.path.join(self.xdg, "cache"),
                   XDG_DATA_HOME=os.path.join(self.xdg, "data"),
                   XDG_RUNTIME_DIR=os.path.join(self.xdg, "run"), USER=NICK)
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        env.pop("QUORL_HOME", None)
        return env

    def start(self):
        env = self.environment()
        self.log = open(os.path.join(self.root, "program.log"), "wb")
        self.process = subprocess.Popen(
            [BINARY, "--home", self.home, "irc://127.0.0.1:%d/%s" % (self.server.port, CHANNEL[1:])],
            cwd=self.cwd, env=env, stdin=subprocess.DEVNULL, stdout=self.log,
            stderr=subprocess.STDOUT)
        # A program folder with 10 MB files takes a while to read; that is not a hang.
        self.server.accept(60)
        check(self.server.wait_line("USER ", 15), "the client never sent USER")
        self.server.send(":irc.test 001 %s :Welcome" % NICK)
        self.server.send(":irc.test 376 %s :End of MOTD" % NICK)
        check(self.server.wait_line("JOIN " + CHANNEL, 10), "the client never joined")
        self.server.send(":%s!u@h JOIN :%s" % (NICK, CHANNEL))
        self.server.send(":irc.test 353 %s = %s :@%s friend" % (NICK, CHANNEL, NICK))
        self.server.send(":irc.test 366 %s %s :End of NAMES" % (NICK, CHANNEL))
        self.ping("joined", 10)

    def alive(self, what):
        check(self.process.poll() is None,
              "%s: the program ended (status %s)" % (what, self.process.returncode))

    def ping(self, token, timeout=1.0):
        """PING once what came before was sent; PONG must follow within timeout."""
        started = time.monotonic()
        self.server.send("PING :" + token)
        ok = self.server.wait_line("PONG :" + token, timeout)
        self.alive("after " + token)
        check(ok, "%s: no PONG within %.1f s" % (token, timeout))
        return time.monotonic() - started

    def terminate(self, limit=2.0):
        # Two seconds on a machine with a core to spare; a machine busy with more work
        # than it has cores stretches every step, so the limit stretches with its load.
        limit *= max(1.0, os.getloadavg()[0] / (os.cpu_count() or 1))
        started = time.monotonic()
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(limit)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise Failure("still running %.1f s after SIGTERM (load %.1f)"
                          % (limit, os.getloadavg()[0]))
        check(self.process.returncode == 0, "exit status %d after SIGTERM" % self.process.returncode)
        return time.monotonic() - started

    def finish(self, terminate=True):
        """The checks every case ends with."""
        if terminate:
            self.terminate()
        self.terminated = True
        for folder in (self.cwd, self.user_home):
            left = [os.path.join(d, f) for d, _, files in os.walk(folder) for f in files]
            check(not left, "wrote outside its folders: %s" % left[:5])
        for d, _, files in os.walk(self.root):
            for f in files:
                path = os.path.join(d, f)
                inside = any(path.startswith(p + os.sep) for p in (self.home, self.xdg))
                check(inside or path == os.path.join(self.root, "program.log"),
                      "wrote outside its folders: %s" % path)
        settings = self.read("quorl.ini")
        check(b"nicks=hostile,hostile2," in settings and b"fileinboundaction=0" in settings,
              "a stored setting was lost from quorl.ini")
        check(b"irc.hostile.test" in self.read("qrlsrvs.txt"), "the server list lost a server")

    def cleanup(self):
        if os.environ.get("HOSTILE_KEEP"):
            print("kept " + self.root)
            return
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.server.close()
        shutil.rmtree(self.root, ignore_errors=True)


def scale(short, long):
    return long if LONG else short


# --- server cases -------------------------------------------------------------------

def malformed_lines(run):
    s = run.server
    junk = [b"", b":", b": :", b"::::", b":x", b"\x00\x01\x02", b"\xff\xfe\xc3 bad utf-8 \xc3",
            b"PING", b"ERRORS :not an error", b"\rPING :cr\r", b":a!b@c", b":a!b@c PRIVMSG",
            b":a!b@c PRIVMSG " + CHANNEL.encode(), b":a!b@c MODE " + CHANNEL.encode() + b" +o",
            b":a!b@c MODE " + CHANNEL.encode() + b" -", b":a!b@c MODE hostile +i-", b":a!b@c KICK",
            b":a!b@c KICK " + CHANNEL.encode(), b":a!b@c JOIN", b":a!b@c PART", b":a!b@c NICK",
            b":a!b@c TOPIC " + CHANNEL.encode(), b":a!b@c INVITE hostile", b":a!b@c QUIT",
            b":a!b@c PRIVMSG hostile :\x01", b":a!b@c PRIVMSG hostile :\x01\x01\x01",
            b":a!b@c PRIVMSG hostile :\x01DCC SEND\x01",
            b":a!b@c PRIVMSG hostile :\x01DCC SEND x 1 -5 -1\x01",
            b":a!b@c PRIVMSG hostile :\x01DCC SEND x 99999999999999999999 70000 1e99\x01",
            b":a!b@c PRIVMSG hostile :\x01DCC CHAT chat 4294967296 0\x01",
            b":a!b@c PRIVMSG hostile :\x01DCC RESUME x 1 -1\x01",
            b":a!b@c PRIVMSG hostile :\x01PING " + b"9" * 400 + b"\x01",
            b":a!b@c NOTICE hostile :\x01PING -99999999999999999999\x01",
            b":a!b@c PRIVMSG hostile :\x01SOUND ../../../../etc/passwd\x01",
            b":a!b@c PRIVMSG hostile :\x01SOUND /dev/zero\x01",
            b":irc.test 433", b":irc.test 433 * ", b":irc.test 005 hostile PREFIX=(ov",
            b":irc.test 005 hostile PREFIX=(qaohv)~&@%+ CHANMODES=,,,",
            b":irc.test 324 hostile " + CHANNEL.encode() + b" +lk notanumber",
            b":irc.test 329 hostile " + CHANNEL.encode() + b" -1",
            b":irc.test 317 hostile nick 99999999999999999999 -5"]
    s.send_raw(b"\r\n".join(junk) + b"\r\n")
    # Every numeric with no arguments, then with the nickname alone.
    numerics = b"".join(b":irc.test %03d\r\n:irc.test %03d hostile\r\n" % (n, n)
                        for n in range(1, 1000))
    s.send_raw(numerics)
    run.ping("malformed")


def oversized_lines(run):
    s = run.server
    s.send_raw(b"A" * scale(100_000, 2_000_000) + b"\r\n")
    s.send_raw(b":a!b@c PRIVMSG " + CHANNEL.encode() + b" :" + b"x" * 20_000 + b"\r\n")
    s.send_raw(b":a!b@c PRIVMSG " + CHANNEL.encode() + b" :" + b"\x02\x03" * 4000 + b"\r\n")
    run.ping("oversized")


def mode_strings(run):
    s = run.server
    nicks = " ".join("n%d" % i for i in range(500))
    s.send(":op!u@h MODE %s +%s %s" % (CHANNEL, "o" * 500, nicks))
    s.send(":op!u@h MODE %s -%s %s" % (CHANNEL, "v" * 400, nicks))
    s.send(":op!u@h MODE %s +%s %s" % (CHANNEL, "b" * 300, " ".join("*!*@h%d" % i for i in range(300))))
    s.send(":op!u@h MODE %s +%s" % (CHANNEL, "ovbklimnst" * 60))
    s.send(":op!u@h MODE %s %s" % (CHANNEL, "+-" * 300))
    s.send(":op!u@h MODE %s +o%s hostile" % (CHANNEL, "-o+v" * 100))
    run.ping("modes")


def names_flood(run):
    s = run.server
    count = scale(100_000, 500_000)
    chunk = []
    for i in range(0, count, 40):
        names = " ".join(("@" if j % 7 == 0 else "") + "member%d" % j for j in range(i, min(i + 40, count)))
        chunk.append(":irc.test 353 %s = %s :%s\r\n" % (NICK, CHANNEL, names))
    chunk.append(":irc.test 366 %s %s :End of NAMES\r\n" % (NICK, CHANNEL))
    s.send_raw("".join(chunk).encode())
    # The server's NAMES is large; handling it may take a moment, PING after it must not.
    run.ping("names-done", 20)
    run.ping("names")


def message_flood(run):
    s = run.server
    # Every new sender of a private message gets a window of its own, which costs far
    # more than a line; the short run keeps them fewer than the senders of the rest.
    senders = scale(2000, 10000)
    private = scale(300, 10000)
    lines = []
    for i in range(senders):
        who = ":s%d!u%d@host%d.test" % (i, i, i)
        if i < private:
            lines.append("%s PRIVMSG %s :hello number %d" % (who, NICK, i))
        lines.append("%s PRIVMSG %s :\x01VERSION\x01" % (who, NICK))
        lines.append("%s PRIVMSG %s :\x01PING %d\x01" % (who, NICK, i))
        lines.append("%s PRIVMSG %s :\x01TIME\x01" % (who, NICK))
        lines.append("%s NOTICE %s :\x01PING 1\x01" % (who, NICK))
        lines.append("%s PRIVMSG %s :flood %d" % (who, CHANNEL, i))
    s.send_raw(("\r\n".join(lines) + "\r\n").encode())
    run.ping("flood-done", 60)
    run.ping("flood")


def server_cases(run):
    for step in (malformed_lines, oversized_lines, mode_strings, names_flood, message_flood):
        started = time.monotonic()
        step(run)
        print("     %-16s %.1f s" % (step.__name__, time.monotonic() - started), flush=True)


def server_stops_reading(run):
    s = run.server
    s.stop_reading()
    s.conn.settimeout(2.0)
    token = "z" * 400
    sent = 0
    try:
        while sent < scale(40_000, 200_000):
            s.send_raw(("PING :%s%d\r\n" % (token, sent)).encode())
            sent += 1
    except (socket.timeout, OSError):
        pass
    s.conn.settimeout(None)
    time.sleep(0.5)
    run.alive("a server that stops reading")
    run.finish()


def flood_during_shutdown(run):
    s = run.server
    stop = threading.Event()
    block = "".join(":f%d!u@h PRIVMSG %s :\x01VERSION\x01\r\n:f%d!u@h PRIVMSG %s :line %d\r\n"
                    % (i, NICK, i, CHANNEL, i) for i in range(200)).encode()

    def flood():
        try:
            while not stop.is_set():
                s.send_raw(block)
        except OSError:
            pass

    thread = threading.Thread(target=flood, daemon=True)
    thread.start()
    time.sleep(0.5)
    try:
        run.terminate()
    finally:
        stop.set()
        thread.join(5)
    run.finish(terminate=False)


# --- DCC peers ----------------------------------------------------------------------

def dcc_offer(run, name, announced, behaviour, wait=5):
    """Offers a file as a peer and behaves as told once the client connects."""
    peer = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    peer.bind(("127.0.0.1", 0))
    peer.listen(1)
    peer.settimeout(wait)
    port = peer.getsockname()[1]
    shown = '"%s"' % name if " " in name else name
    run.server.send(":peer!p@127.0.0.1 PRIVMSG %s :\x01DCC SEND %s %s %d %d\x01"
                    % (NICK, shown, LOCALHOST_DECIMAL, port, announced))
    try:
        conn, _ = peer.accept()
    except socket.timeout:
        peer.close()
        return None
    peer.close()
    conn.settimeout(5)
    behaviour(conn)
    return conn


def lies_short(conn):
    conn.sendall(b"s" * 1000)
    conn.close()


def sends_more(conn):
    try:
        conn.sendall(b"m" * 10_000)
        time.sleep(0.3)
    except OSError:
        pass
    conn.close()


def stalls(conn):
    conn.sendall(b"t" * 100)  # and then nothing, the connection left open


def resets(conn):
    conn.sendall(b"r" * 1000)
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
    conn.close()


def whole(conn):
    try:
        conn.sendall(b"w" * 10)
        time.sleep(0.2)
    except OSError:
        pass
    conn.close()


def dcc_cases(run):
    stalled = []
    dcc_offer(run, "short.txt", 5000, lies_short)
    dcc_offer(run, "more.txt", 1000, sends_more)
    conn = dcc_offer(run, "stall.txt", 1000, stalls)
    if conn:
        stalled.append(conn)
    dcc_offer(run, "reset.txt", 100_000, resets)
    run.ping("dcc-peers")
    marker = "quorl-escape-%d" % random.randrange(1 << 30)
    names = ["../../../../../../tmp/%s" % marker, "/tmp/%s" % marker, "..\\..\\%s" % marker,
             "sub/dir.txt", "ctl\x07\x1b[2J.txt", "..", ".", "name with spaces.txt", "-", "x" * 300]
    for name in names:
        dcc_offer(run, name, 10, whole, wait=1.5)
    run.ping("dcc-names")
    check(not os.path.exists("/tmp/" + marker), "an offered name reached /tmp")
    time.sleep(0.3)
    received = os.path.join(run.home, "Received Files")
    more = os.path.join(received, "more.txt")
    if os.path.exists(more):
        check(os.path.getsize(more) <= 1000,
              "a peer that sent more than announced wrote %d bytes" % os.path.getsize(more))
    for d, _, files in os.walk(run.home):
        for f in files:
            check(not f.startswith(marker) or d == received,
                  "an offered name was saved outside Received Files: %s" % os.path.join(d, f))
    run.ping("dcc-stalled")
    for c in stalled:
        c.close()


# --- broken files -------------------------------------------------------------------

def broken(kind, good, megabytes=None):
    data = good.encode("latin-1")
    if kind == "truncated":
        return data + b"[MISC]\r\nmodn"
    if kind == "binary":
        rnd = random.Random(7)
        return data + bytes(rnd.randrange(256) for _ in range(64 * 1024))
    size = (megabytes or scale(10, 40)) * 1024 * 1024
    line = b"k%d=" + b"v" * 100 + b"\r\n"
    body = b"".join(line % i for i in range(size // 110))
    return data + b"[JUNK]\r\n" + body


def broken_theme(kind):
    with open(os.path.join(SOURCE_DATA, "themes", "quorl.qth"), "rb") as f:
        good = f.read()
    if kind == "truncated":
        return good[: len(good) // 2]
    return broken(kind, good.decode("latin-1"))


def file_case(kind):
    def make():
        # Every junk line of a long server list becomes a folder in the server tree,
        # which the tree view takes its time to show: the short run keeps it at 1 MB.
        return Run("files-" + kind, settings=broken(kind, SETTINGS),
                   server_list=broken(kind, SERVER_LIST, scale(1, 10)) if kind != "truncated"
                   else SERVER_LIST + "\t\tcut",
                   theme=broken_theme(kind))

    def body(run):
        theme = run.read("themes/quorl.qth")
        run.ping("files-" + kind)
        run.finish()
        check(run.read("themes/quorl.qth") == theme, "the theme file was changed")
    return make, body


# --- DCC chat peers -----------------------------------------------------------------

def resident_mb(run):
    with open("/proc/%d/status" % run.process.pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def dcc_chat(run):
    """Offers a chat as a peer; returns the connection the client made to it."""
    peer = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    peer.bind(("127.0.0.1", 0))
    peer.listen(1)
    peer.settimeout(10)
    port = peer.getsockname()[1]
    run.server.send(":peer!p@127.0.0.1 PRIVMSG %s :\x01DCC CHAT chat %s %d\x01"
                    % (NICK, LOCALHOST_DECIMAL, port))
    conn, _ = peer.accept()
    peer.close()
    return conn


def feed(conn, chunks):
    """Sends every chunk from a thread of its own (TCP may hold it back); returns the
    thread and a list that holds the error that stopped it, if any."""
    errors = []

    def run():
        try:
            for chunk in chunks:
                conn.sendall(chunk)
        except OSError as e:
            errors.append(e)
    thread = threading.Thread(target=run, daemon=True)
    thread.start()
    return thread, errors


def dcc_chat_long_lines(run):
    # Lines of a million characters, one word each: each is shown cut short, and the
    # client answers as it does.
    conn = dcc_chat(run)
    count = scale(2, 20)
    thread, _ = feed(conn, (b"y" * 1_000_000 + b"\n" for _ in range(count)))
    thread.join(60)
    check(not thread.is_alive(), "the client stopped reading long chat lines")
    for i in range(5):
        run.ping("dcc-long-line-%d" % i, 2.0)
        time.sleep(0.2)
    conn.close()


def dcc_chat_flood(run):
    # 50 MB of short lines as fast as the peer can send them: the client reads only as
    # fast as it shows them, so its memory stays bounded and it keeps answering.
    conn = dcc_chat(run)
    before = resident_mb(run)
    megabytes = scale(50, 500)
    thread, _ = feed(conn, (b"x\n" * 500_000 for _ in range(megabytes)))
    peak = before
    deadline = time.monotonic() + scale(8, 60)
    pings = 0
    while thread.is_alive() and time.monotonic() < deadline:
        run.ping("dcc-flood-%d" % pings, 1.0)
        pings += 1
        peak = max(peak, resident_mb(run))
        time.sleep(0.25)
    check(peak - before < 200,
          "a chat flood took the client from %.0f to %.0f MB" % (before, peak))
    conn.close()
    run.ping("dcc-flood-closed", 2.0)

CASES = {
    "server": (lambda: Run("server"), server_cases),
    "stops-reading": (lambda: Run("stops-reading"), server_stops_reading),
    "shutdown-flood": (lambda: Run("shutdown-flood"), flood_during_shutdown),
    "dcc": (lambda: Run("dcc"), dcc_cases),
    "dcc-chat-long-lines": (lambda: Run("dcc-chat-long-lines", settings=CHATS_ACCEPTED),
                            dcc_chat_long_lines),
    "dcc-chat-flood": (lambda: Run("dcc-chat-flood", settings=CHATS_ACCEPTED), dcc_chat_flood),
    "files-truncated": file_case("truncated"),
    "files-binary": file_case("binary"),
    "files-10mb": file_case("10mb"),
}


# --- registration: capability negotiation, SASL and the reconnect back-off ------------

SASL_PASSWORD = "p" * 200


class CapServer(Server):
    """A server that lists capabilities and runs SASL as the case tells it."""

    def __init__(self, ls_lines, on_request=None, on_plain=None, ls_blocks=0):
        super().__init__()
        self.ls_lines = ls_lines
        self.on_request = on_request
        self.on_plain = on_plain
        self.ls_blocks = ls_blocks
        self.send_lock = threading.Lock()
        self.run = None
        self.rss_before = 0

    def send_raw(self, data):
        # Answers leave from the reading thread, registration from the case's: one at a time.
        with self.send_lock:
            self.conn.sendall(data)

    def _answer(self, line):
        if line.startswith("CAP LS"):
            if self.ls_blocks:
                self.rss_before = resident_kilobytes(self.run.process.pid)
                names = " ".join("c%d" % i for i in range(400))
                block = ("".join(":irc.test CAP * LS * :%s\r\n" % names
                                 for _ in range(100))).encode()
                for _ in range(self.ls_blocks):
                    self.send_raw(block)
            self.send_raw("".join(l + "\r\n" for l in self.ls_lines).encode())
        elif line.startswith("CAP REQ") and self.on_request:
            self.send_raw("".join(l + "\r\n" for l in self.on_request).encode())
        elif line == "AUTHENTICATE PLAIN" and self.on_plain:
            self.send_raw(self.on_plain)


def cap_run(name, server):
    run = Run(name)
    run.server = server
    server.run = run
    run.write("sasl.ini", "[127.0.0.1]\r\naccount=joe\r\npassword=%s\r\n" % SASL_PASSWORD)
    os.chmod(os.path.join(run.home, "sasl.ini"), 0o600)
    return run


def credentials(run):
    with run.server.cond:
        return [l for l in run.server.lines
                if l.startswith("AUTHENTICATE ") and l != "AUTHENTICATE PLAIN"]


def sasl_asked_again_and_again(run):
    """3,000 "AUTHENTICATE +" get one answer, whole; the server's success ends it."""
    run.ping("sasl-asked", 10)
    sent = credentials(run)
    check(len(sent) == 1, "credentials sent %d times" % len(sent))
    import base64
    token = base64.b64decode(sent[0][len("AUTHENTICATE "):])
    check(token == b"joe\0joe\0" + SASL_PASSWORD.encode(), "the credentials were cut")
    run.server.send(":irc.test 903 %s :SASL authentication successful" % NICK)
    check(run.server.wait_line("CAP END", 2), "no CAP END after 903")


def sasl_disabled_by_ack(run):
    """"-sasl" in an ACK disables sasl: no login starts, negotiation ends."""
    check(run.server.wait_line("CAP END", 2), "no CAP END after CAP ACK :-sasl")
    check(run.server.count("AUTHENTICATE") == 0, "AUTHENTICATE after CAP ACK :-sasl")


def cap_silence(run):
    """A list that never ends: CAP END follows within the time limit."""
    check(run.server.wait_line("CAP END", 20), "no CAP END 20 s into a silent negotiation")


def resident_kilobytes(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def cap_list_flood(run):
    """Thousands of CAP LS continuation lines do not take the client's memory."""
    run.ping("cap-flood", 60)
    grown = (resident_kilobytes(run.process.pid) - run.server.rss_before) // 1024
    check(grown < 50, "%d MB more memory after %d capability lines"
          % (grown, run.server.ls_blocks * 100))


def reconnects_slow_down(run):
    """A server that drops the client right after registering is not tried every 5 s."""
    s = run.server
    gaps = []
    for _ in range(2):
        s.conn.shutdown(socket.SHUT_RDWR)
        dropped = time.monotonic()
        with s.cond:
            while not s.closed:
                s.cond.wait(1)
            s.conn.close()
            s.lines, s.closed, s.reading = [], False, True
        s.accept(30)
        gaps.append(time.monotonic() - dropped)
        check(s.wait_line("USER ", 10), "no USER on reconnecting")
        s.send(":irc.test 001 %s :Welcome" % NICK)
        s.send(":irc.test 376 %s :End of MOTD" % NICK)
        check(s.wait_line("AWAY", 10), "registration did not complete on reconnecting")
    check(gaps[1] > gaps[0] + 3, "the second retry came as fast as the first: %s" % gaps)
    run.ping("reconnected")


CASES.update({
    "sasl-asked-again": (lambda: cap_run("sasl-asked-again", CapServer(
        [":irc.test CAP * LS :sasl"], [":irc.test CAP * ACK :sasl"],
        b"AUTHENTICATE +\r\n" * 3000)), sasl_asked_again_and_again),
    "sasl-disabled": (lambda: cap_run("sasl-disabled", CapServer(
        [":irc.test CAP * LS :sasl"], [":irc.test CAP * ACK :-sasl"])), sasl_disabled_by_ack),
    "cap-silence": (lambda: cap_run("cap-silence", CapServer(
        [":irc.test CAP * LS * :sasl"])), cap_silence),
    "cap-list-flood": (lambda: cap_run("cap-list-flood", CapServer(
        [":irc.test CAP * LS :sasl"], ls_blocks=scale(40, 200))), cap_list_flood),
    "reconnect-backoff": (lambda: Run("reconnect-backoff"), reconnects_slow_down),
})


# --- DCC offers: passive offers, bidirectional names, many offers at once ----------

def dcc_passive_offer(run):
    """A passive offer (port 0 and a token) is answered with the client's own port and the
    same token; the peer connects to it and the file arrives."""
    run.server.send(":peer!p@127.0.0.1 PRIVMSG %s :\x01DCC SEND passive.txt 16843009 0 10 4242\x01"
                    % NICK)
    prefix = "PRIVMSG peer :\x01DCC SEND passive.txt %s " % LOCALHOST_DECIMAL
    check(run.server.wait_line(prefix, 5), "a passive offer got no answer")
    with run.server.cond:
        answer = next(line for line in run.server.lines if line.startswith(prefix))
    words = answer.rstrip("\x01").split(" ")
    check(words[-1] == "4242" and words[-2] == "10", "the answer lost the token: %r" % answer)
    conn = socket.create_connection(("127.0.0.1", int(words[-3])), timeout=5)
    conn.sendall(b"p" * 10)
    acks = b""
    while len(acks) < 4:
        data = conn.recv(4)
        if not data:
            break
        acks += data
    conn.close()
    check(acks[-4:] == b"\x00\x00\x00\x0a", "the passive transfer was not acknowledged")
    run.ping("dcc-passive")
    saved = os.path.join(run.home, "Received Files", "passive.txt")
    check(os.path.exists(saved) and os.path.getsize(saved) == 10, "the passive file was not saved")


def dcc_bidi_name(run):
    """A right-to-left override in an offered name is dropped: "\u202etxt.exe" is saved as
    "txt.exe", which shows as what it is."""
    dcc_offer(run, "\u202etxt.exe", 10, whole, wait=3)
    run.ping("dcc-bidi")
    time.sleep(0.3)
    received = os.listdir(os.path.join(run.home, "Received Files"))
    check(not any("\u202e" in name for name in received),
          "a name kept its right-to-left override: %r" % received)
    check("txt.exe" in received, "the file with the override dropped was not saved: %r" % received)


def dcc_offer_flood(run):
    """Fifteen offers from peers that accept and then stay silent: at most ten incoming
    transfers are started, the client keeps answering."""
    peers = []
    for i in range(15):
        peer = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        peer.bind(("127.0.0.1", 0))
        peer.listen(1)
        peer.setblocking(False)
        peers.append(peer)
        run.server.send(":peer!p@127.0.0.1 PRIVMSG %s :\x01DCC SEND silent%d.txt %s %d 1000\x01"
                        % (NICK, i, LOCALHOST_DECIMAL, peer.getsockname()[1]))
    run.ping("dcc-flood")
    time.sleep(1.0)
    connected = []
    for peer in peers:
        try:
            conn, _ = peer.accept()
            connected.append(conn)
        except OSError:
            pass
        peer.close()
    check(len(connected) <= 10, "%d incoming transfers were started at once" % len(connected))
    check(len(connected) >= 1, "no incoming transfer was started")
    for conn in connected:
        conn.close()


def dcc_offer_cases(run):
    dcc_passive_offer(run)
    dcc_bidi_name(run)
    dcc_offer_flood(run)


CASES["dcc-offers"] = (lambda: Run("dcc-offers"), dcc_offer_cases)


# --- the file server under a slow reader ---------------------------------------------

ATSPI_PYTHON = "/usr/bin/python3"
ATSPI_PRESS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "atspi_press.py")


class DesktopRun(Run):
    """The program on a virtual X display of its own with the accessibility bus, so that a
    case can use controls the way a keyboard or screen-reader user does (through AT-SPI)."""

    def __init__(self, name, **kwargs):
        super().__init__(name, **kwargs)
        self.desktop = []

    def environment(self):
        env = super().environment()
        missing = [t for t in ("Xvfb", "dbus-daemon") if not shutil.which(t)]
        if missing or subprocess.call([ATSPI_PYTHON, "-c", "import pyatspi"],
                                      stderr=subprocess.DEVNULL) != 0:
            raise Skipped("needs Xvfb, dbus-daemon and python3-pyatspi (scripts/install-deps)")
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp"], pass_fds=(write,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        self.desktop.append(xvfb)
        with os.fdopen(read) as f:
            display = f.readline().strip()
        check(display, "Xvfb gave no display")
        env.update(DISPLAY=":" + display, QT_QPA_PLATFORM="xcb",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                               env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               text=True)
        self.desktop.append(bus)
        env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
        self.env = env
        return env

    def press(self, *targets):
        """Presses each "role:name" control in turn, as the keyboard would."""
        pressed = subprocess.run([ATSPI_PYTHON, ATSPI_PRESS, "QuorlIRC"] + list(targets),
                                 env=self.env, capture_output=True, text=True, timeout=60)
        check(pressed.returncode == 0, "could not press %s: %s" % (targets, pressed.stdout))

    def cleanup(self):
        super().cleanup()
        for process in reversed(self.desktop):
            if process.poll() is None:
                process.terminate()
                process.wait()


SERVED_FILES = 50_000


def file_server_make():
    run = DesktopRun("fileserver-dir", settings=CHATS_ACCEPTED)
    root = os.path.join(run.home, "Shared Files")
    os.makedirs(root)
    for i in range(SERVED_FILES):
        open(os.path.join(root, "a-file-with-a-fairly-long-name-%05d.txt" % i), "wb").close()
    return run


def file_server_dir_flood(run):
    # The file server switched on as its user would, then a peer that asks for the listing
    # of 50,000 files a hundred times and reads it slowly: the client holds back what it
    # would send, keeps answering the server and ends on time.
    run.press("list item:Settings", "page tab:File Server", "radio button:On")
    run.server.send(":peer!p@127.0.0.1 PRIVMSG %s :!FileServe" % CHANNEL)
    prefix = "PRIVMSG peer :\x01DCC CHAT chat %s " % LOCALHOST_DECIMAL
    check(run.server.wait_line(prefix, 10), "the trigger word brought no chat offer")
    with run.server.cond:
        offer = next(line for line in run.server.lines if line.startswith(prefix))
    port = int(offer.rstrip("\x01").split(" ")[-1])
    peer = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    peer.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    peer.settimeout(10)
    peer.connect(("127.0.0.1", port))
    before = resident_mb(run)
    # Without a greeting file the session starts silently, at the root.
    peer.sendall(b"dir\n" * 100)
    check(peer.recv(4096), "the file server sent no listing")
    # The first listing is built at once; after it, what the client holds must not
    # grow with the commands waiting or the output the peer has not taken.
    listed = resident_mb(run)
    peak, slowest, read = listed, 0.0, 0
    deadline = time.monotonic() + scale(10, 60)
    next_ping = 0.0
    while time.monotonic() < deadline:
        read += len(peer.recv(4096))
        time.sleep(0.05)
        if time.monotonic() >= next_ping:
            slowest = max(slowest, run.ping("fileserver-%d" % read, 1.0))
            peak = max(peak, resident_mb(run))
            next_ping = time.monotonic() + 0.5
    figure("%d KB read; %.0f MB before the first listing, %.0f MB after it, %.0f MB at the "
           "peak; slowest PONG %.0f ms" % (read // 1024, before, listed, peak, slowest * 1000))
    check(peak - listed < 30, "a slow reader of listings took the client from %.0f to %.0f MB"
          % (listed, peak))
    peer.close()
    run.ping("fileserver-closed", 2.0)


CASES["fileserver-dir"] = (file_server_make, file_server_dir_flood)


# --- big settings and script files, sound floods, channel rows ------------------------

def figure(text):
    print("     " + text, flush=True)


def load_factor():
    """How much a machine busy with more work than it has cores stretches every step."""
    return max(1.0, os.getloadavg()[0] / (os.cpu_count() or 1))


def timed_start(run):
    """Records how long the program took from its start to joining the channel."""
    start = run.start

    def start_and_time():
        started = time.monotonic()
        start()
        run.start_seconds = time.monotonic() - started
    run.start = start_and_time
    return run


LONG_WORDS = ",".join("word%04d" % i for i in range(1000))


def long_value_make():
    return Run("long-value", settings=SETTINGS + "[MESSAGES]\r\nhighlights=%s\r\n" % LONG_WORDS)


def long_value_kept(run):
    run.ping("long-value")
    run.finish()
    check(("highlights=" + LONG_WORDS + "\r\n").encode() in run.read("quorl.ini"),
          "a long settings value was not written back whole")


def many_script_keys_make():
    run = timed_start(Run("script-keys", settings=SETTINGS + "[SCRIPTS]\r\nlast=big\r\n"))
    # Lines the script reader never asks for, then the entries it does: every lookup
    # would walk past all of them.
    count = scale(300_000, 1_000_000)
    junk = b"".join(b"junk%d=1x\r\n" % i for i in range(count))
    entries = b"".join(b"%d=1xnone%d.obj\r\n" % (i, i) for i in range(10_001))
    run.write("scripts/big.sct", b"[DATA]\r\n" + junk + b"maxobject=10000\r\n" + entries)
    return run


def many_script_keys(run):
    limit = 10 * load_factor()
    figure("start %.1f s (limit %.1f s)" % (run.start_seconds, limit))
    check(run.start_seconds < limit, "a script of %d keys took %.1f s to start (limit %.1f s)"
          % (scale(300_000, 1_000_000), run.start_seconds, limit))
    run.ping("script-keys")


SECTIONS = scale(500_000, 2_600_000)


def many_sections_make():
    count = SECTIONS
    body = "".join("[s%d]\r\nk=%d\r\n" % (i, i) for i in range(count))
    return timed_start(Run("many-sections", settings=SETTINGS + body))


def many_sections(run):
    # A guard against a hang: it grows with the file and the machine's load.
    limit = (5 + 10 * SECTIONS / 1e6) * load_factor()
    figure("start %.1f s (limit %.1f s)" % (run.start_seconds, limit))
    check(run.start_seconds < limit, "a settings file of many sections took %.1f s to start "
          "(limit %.1f s)" % (run.start_seconds, limit))
    size = os.path.getsize(os.path.join(run.home, "quorl.ini")) / 1e6
    memory = resident_mb(run)
    figure("%.0f MB held for a file of %.0f MB" % (memory, size))
    # The whole program holds a few times the file at most.
    check(memory < 5 * size + 100, "%.0f MB held for a settings file of %.0f MB" % (memory, size))
    run.ping("many-sections")
    # Leaving writes the file: within the usual time, every section kept.
    run.finish()
    check(b"[s%d]" % (SECTIONS - 1) in run.read("quorl.ini"),
          "sections of the settings file were lost")


SOUND_FILES = 2000


def sound_requests_make():
    run = Run("sound-requests")
    folder = os.path.join(run.home, "sounds")
    os.makedirs(folder)
    for i in range(SOUND_FILES):
        open(os.path.join(folder, "Sound%d.wav" % i), "wb").close()
    run.write("quorl.ini", SETTINGS + "[SOUND]\r\npdefaultsoundpath=%s/\r\n" % folder)
    return run


def sound_requests(run):
    # Each names a file that is not there in another letter case: every one needs the
    # folder's names.
    count = scale(10_000, 50_000)
    lines = "".join(":s%d!u@h PRIVMSG %s :\x01SOUND Missing%d.WAV\x01\r\n" % (i, CHANNEL, i % 7)
                    for i in range(count))
    run.server.send_raw(lines.encode())
    figure("%d requests answered in %.1f s" % (count, run.ping("sounds-done", 10 * load_factor())))
    run.ping("sounds")


def channel_rows(run):
    # Rows of a channel list no one asked for, with no list start before them.
    before = resident_mb(run)
    rows = scale(200_000, 1_000_000)
    for _ in range(3):
        block = "".join(":irc.test 322 %s #chan%d %d :a topic for channel %d\r\n"
                        % (NICK, i, i % 500, i) for i in range(rows))
        run.server.send_raw(block.encode())
    taken = run.ping("rows-done", 10 * load_factor())
    run.ping("rows")
    grown = resident_mb(run) - before
    figure("%d rows taken in %.1f s, %.0f MB more" % (3 * rows, taken, grown))
    check(grown < 30, "unasked channel rows took %.0f MB" % grown)


CASES.update({
    "long-value": (long_value_make, long_value_kept),
    "script-keys": (many_script_keys_make, many_script_keys),
    "many-sections": (many_sections_make, many_sections),
    "sound-requests": (sound_requests_make, sound_requests),
    "channel-rows": (lambda: Run("channel-rows"), channel_rows),
})


# --- the history store ----------------------------------------------------------------

HISTORY_SCHEMA = """
CREATE TABLE windows(id INTEGER PRIMARY KEY, network TEXT NOT NULL COLLATE NOCASE,
  name TEXT NOT NULL COLLATE NOCASE, UNIQUE(network, name));
CREATE TABLE lines(id INTEGER PRIMARY KEY, window INTEGER NOT NULL, time INTEGER NOT NULL,
  kind INTEGER NOT NULL, sender TEXT NOT NULL, text TEXT NOT NULL, msgid TEXT);
CREATE INDEX lines_by_window ON lines(window, time);
CREATE UNIQUE INDEX lines_by_msgid ON lines(window, msgid) WHERE msgid IS NOT NULL;
CREATE VIRTUAL TABLE lines_text USING fts5(text, content='', columnsize=0);
"""


def channel_chatter(run, count, tag):
    chunk = "".join(":friend!f@h PRIVMSG %s :%s line %d of the chatter\r\n" % (CHANNEL, tag, i)
                    for i in range(count))
    run.server.send_raw(chunk.encode())


def history_corrupt_make():
    run = Run("history-corrupt")
    run.write("history.db", b"SQLite format 3\0" + bytes(random.Random(3).randrange(256)
                                                          for _ in range(64 * 1024)))
    return run


def history_corrupt(run):
    before = run.read("history.db")
    channel_chatter(run, 2000, "corrupt")
    run.ping("history-corrupt")
    run.finish()
    check(run.read("history.db") == before, "the broken history file was changed")


def history_locked_make():
    run = Run("history-locked")
    path = os.path.join(run.home, "history.db")
    # Another program holds the store's write lock for the whole run.
    run.holder = subprocess.Popen(["sqlite3", path], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    run.holder.stdin.write(("PRAGMA journal_mode=WAL;" + HISTORY_SCHEMA.replace("\n", " ")
                            + "\nBEGIN EXCLUSIVE; INSERT INTO windows VALUES(1,'x','y');"
                            "\n.print held\n").encode())
    run.holder.stdin.flush()
    run.holder.stdout.readline()  # "wal"
    check(b"held" in run.holder.stdout.readline(), "sqlite3 did not take the lock")
    return run


def history_locked(run):
    try:
        for i in range(5):
            channel_chatter(run, 1000, "locked")
            run.ping("history-locked-%d" % i)
            time.sleep(0.3)
        run.finish()
    finally:
        run.holder.kill()
        run.holder.wait()


def history_huge_make():
    import sqlite3
    run = Run("history-huge")
    rows = scale(300_000, 3_000_000)
    db = sqlite3.connect(os.path.join(run.home, "history.db"))
    db.executescript("PRAGMA journal_mode=WAL;" + HISTORY_SCHEMA)
    db.executemany("INSERT INTO windows VALUES(?, '127.0.0.1', ?)",
                   [(w, "#w%d" % w) for w in range(1, 51)])
    rnd = random.Random(5)
    words = ["word%d" % i for i in range(5000)]
    batch = []
    for i in range(1, rows + 1):
        text = " ".join(rnd.choice(words) for _ in range(12))
        batch.append((i, 1 + i % 50, 1700000000000 + i * 100, "nick%d" % (i % 300), text))
        if len(batch) == 50_000 or i == rows:
            db.executemany("INSERT INTO lines VALUES(?, ?, ?, 1, ?, ?, NULL)", batch)
            db.executemany("INSERT INTO lines_text(rowid, text) VALUES(?, ?)",
                           [(b[0], b[4]) for b in batch])
            batch = []
    db.commit()
    db.close()
    return run


def history_huge(run):
    import sqlite3
    for i in range(5):
        channel_chatter(run, 4000, "huge%d" % i)
        run.ping("history-huge-%d" % i)
    run.finish()
    db = sqlite3.connect("file:%s?mode=ro" % os.path.join(run.home, "history.db"), uri=True)
    found = db.execute("SELECT count(*) FROM lines_text WHERE lines_text MATCH 'huge4'").fetchone()[0]
    check(db.execute("PRAGMA integrity_check").fetchone()[0] == "ok",
          "the history store is not sound")
    db.close()
    check(found == 4000, "the huge store kept %d of the last 4000 lines" % found)


CASES.update({
    "history-corrupt": (history_corrupt_make, history_corrupt),
    "history-locked": (history_locked_make, history_locked),
    "history-huge": (history_huge_make, history_huge),
})


def main():
    if not BINARY or not os.access(BINARY, os.X_OK):
        print("QUORL_BINARY does not name the built quorlirc")
        return 2
    chosen = [a for a in sys.argv[1:] if not a.startswith("--")] or list(CASES)
    passed = failed = 0
    for name in chosen:
        make, body = CASES[name]
        run = make()
        started = time.monotonic()
        try:
            run.start()
            body(run)
            if not run.terminated:
                run.ping("end-" + name)
                run.finish()
            passed += 1
            print("PASS %-16s %.1f s" % (name, time.monotonic() - started), flush=True)
        except Skipped as e:
            print("SKIP %-16s %s" % (name, e), flush=True)
        except Failure as e:
            failed += 1
            print("FAIL %-16s %s" % (name, e), flush=True)
            log = os.path.join(run.root, "program.log")
            if os.path.exists(log):
                with open(log, "rb") as f:
                    tail = f.read()[-2000:]
                print(tail.decode("utf-8", "replace"), flush=True)
        finally:
            run.cleanup()
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
