#!/usr/bin/env python3
"""Two scripted users for `make demo`: they join #quorl on a local server and keep the
channel lively (lines, topic, nick changes, op and voice) until they are stopped.

With --send-file-to NICK a third user, carol, offers NICK a file by DCC SEND once NICK
is in #quorl, and sends it slowly, so the transfer stays in progress for a few minutes.
Then she says "!guide" in #quorl and accepts, reading slowly, any file offered to her
(make screenshots uses both)."""
import socket
import struct
import sys
import threading
import time

HOST = "127.0.0.1"
CHANNEL = "#quorl"


class User:
    def __init__(self, port, nick):
        self.nick = nick
        self.sock = socket.create_connection((HOST, port))
        self.lock = threading.Lock()
        self.send(f"NICK {nick}")
        self.send(f"USER {nick} 0 * :QuorlIRC demo user")
        self.registered = threading.Event()
        threading.Thread(target=self.read, daemon=True).start()
        if not self.registered.wait(10):
            sys.exit(f"{nick}: the server did not register us")

    def send(self, line):
        with self.lock:
            self.sock.sendall((line + "\r\n").encode())

    def read(self):
        buffer = b""
        while True:
            data = self.sock.recv(4096)
            if not data:
                return
            buffer += data
            while b"\n" in buffer:
                raw, buffer = buffer.split(b"\n", 1)
                self.handle(raw.decode(errors="replace").rstrip("\r"))

    def handle(self, line):
        words = line.split(" ")
        if words[0] == "PING":
            self.send("PONG " + " ".join(words[1:]))
        elif len(words) > 1 and words[1] == "001":
            self.registered.set()
        elif len(words) > 2 and words[1] == "JOIN" and self.nick == "alice":
            # Whoever comes in (the client too) gets a voice from the channel's op.
            joiner = words[0][1:].split("!")[0]
            if joiner != self.nick:
                self.send(f"MODE {CHANNEL} +v {joiner}")
        elif len(words) > 2 and words[1] == "NICK" and words[0][1:].split("!")[0] == self.nick:
            self.nick = words[2].lstrip(":")

    def say(self, text):
        self.send(f"PRIVMSG {CHANNEL} :{text}")


class FileSender(User):
    """Offers a file to one nickname when it joins, and sends it at a slow, steady pace."""

    NAME = "quorl-summer-photos.zip"
    SIZE = 24 * 1024 * 1024
    RATE = 96 * 1024  # bytes a second

    def __init__(self, port, nick, receiver):
        self.receiver = receiver.lower()
        self.offered = False
        super().__init__(port, nick)

    def handle(self, line):
        super().handle(line)
        words = line.split(" ")
        if len(words) > 7 and words[1] == "PRIVMSG" and words[3] == ":\x01DCC" and words[4] == "SEND":
            # :nick!u@h PRIVMSG carol :\x01DCC SEND name address port size\x01
            address, port = int(words[-3]), int(words[-2])
            host = socket.inet_ntoa(struct.pack("!I", address))
            threading.Thread(target=self.receive, args=(host, port), daemon=True).start()
        elif len(words) > 2 and words[1] == "JOIN" and not self.offered:
            joiner = words[0][1:].split("!")[0]
            if joiner.lower() == self.receiver:
                self.offered = True
                threading.Thread(target=self.offer, args=(joiner,), daemon=True).start()

    def offer(self, nick):
        listener = socket.socket()
        listener.bind((HOST, 0))
        listener.listen(1)
        port = listener.getsockname()[1]
        address = struct.unpack("!I", socket.inet_aton(HOST))[0]
        time.sleep(2)
        self.send(f"PRIVMSG {nick} :\x01DCC SEND {self.NAME} {address} {port} {self.SIZE}\x01")
        listener.settimeout(120)
        try:
            peer, _ = listener.accept()
        except OSError:
            return
        threading.Thread(target=self.drain, args=(peer,), daemon=True).start()
        threading.Timer(4, self.say, args=("!guide",)).start()
        chunk = bytes(self.RATE // 10)
        sent = 0
        try:
            while sent < self.SIZE:
                peer.sendall(chunk[: self.SIZE - sent])
                sent += len(chunk)
                time.sleep(0.1)
        except OSError:
            pass

    def receive(self, host, port):
        """Takes a file offered to carol, slowly, acknowledging what has arrived."""
        peer = socket.socket()
        peer.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 32 * 1024)
        try:
            peer.connect((host, port))
            received = 0
            while True:
                data = peer.recv(self.RATE // 10)
                if not data:
                    return
                received += len(data)
                peer.sendall(struct.pack("!I", received & 0xFFFFFFFF))
                time.sleep(0.1)
        except OSError:
            pass

    @staticmethod
    def drain(peer):
        # The receiver acknowledges what it has; the acknowledgements are read and dropped.
        try:
            while peer.recv(4096):
                pass
        except OSError:
            pass


def main():
    port = int(sys.argv[1])
    receiver = None
    if len(sys.argv) > 3 and sys.argv[2] == "--send-file-to":
        receiver = sys.argv[3]
    alice = User(port, "alice")
    alice.send(f"JOIN {CHANNEL}")
    time.sleep(0.5)  # alice opens the channel and so holds its op
    bob = User(port, "bob")
    bob.send(f"JOIN {CHANNEL}")
    time.sleep(0.5)
    alice.send(f"MODE {CHANNEL} +o bob")
    bob.send(f"MODE {CHANNEL} +v alice")
    alice.send(f"TOPIC {CHANNEL} :Welcome to the QuorlIRC demo channel")
    if receiver:
        carol = FileSender(port, "carol", receiver)
        carol.send(f"JOIN {CHANNEL}")

    script = [
        (alice, "say", "hello everyone, this is a demo channel"),
        (bob, "say", "hi alice! \x02bold\x02, \x1funderlined\x1f and \x0304red\x03 text"),
        (alice, "action", "waves at the newcomer"),
        (bob, "topic", "Topic of the moment: raw data and logs"),
        (alice, "say", "anyone tried the Raw Data tab yet?"),
        (bob, "nick", "bobby"),
        (bob, "say", "I am bobby now"),
        (alice, "mode", "-v bobby"),
        (alice, "mode", "+v bobby"),
        (bob, "say", "thanks for the voice"),
        (bob, "nick", "bob"),
        (alice, "nick", "alicia"),
        (alice, "say", "new name, same person"),
        (alice, "nick", "alice"),
        (bob, "mode", "-o alice"),
        (bob, "mode", "+o alice"),
        (alice, "topic", "Welcome to the QuorlIRC demo channel"),
    ]
    while True:
        for user, kind, text in script:
            time.sleep(3)
            if kind == "say":
                user.say(text)
            elif kind == "action":
                user.say(f"\x01ACTION {text}\x01")
            elif kind == "topic":
                user.send(f"TOPIC {CHANNEL} :{text}")
            elif kind == "nick":
                user.send(f"NICK {text}")
            elif kind == "mode":
                user.send(f"MODE {CHANNEL} {text}")


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        pass
