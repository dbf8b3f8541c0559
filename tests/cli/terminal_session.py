#!/usr/bin/env python3
"""kestrel on a terminal: the engine's questions appear as terminal prompts, a password is read
without echo, and long work shows a progress bar on stderr that a prompt clears first.

Usage: terminal_session.py KESTREL FIXTURES_DIR. Each case runs kestrel on a pseudo-terminal,
answers its prompts as a user would and checks the screen, the files and the exit status."""
import os
import random
import select
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

KESTREL, FIXTURES = sys.argv[1], sys.argv[2]
failures = []


class Session:
    def __init__(self, args, cwd):
        master, slave = os.openpty()
        self.proc = subprocess.Popen([KESTREL] + args, stdin=slave, stdout=slave, stderr=slave, cwd=cwd,
                                     start_new_session=True)
        os.close(slave)
        self.master = master
        self.screen = b""

    def _pump(self, timeout):
        ready, _, _ = select.select([self.master], [], [], timeout)
        if not ready:
            return True
        try:
            chunk = os.read(self.master, 65536)
        except OSError:  # the other side closed: the program has ended
            return False
        self.screen += chunk
        return bool(chunk)

    def wait_for(self, text, timeout=20):
        end = time.time() + timeout
        while text.encode() not in self.screen and time.time() < end:
            if not self._pump(0.1):
                break
        return text.encode() in self.screen

    def send(self, text):
        os.write(self.master, text.encode())

    def finish(self, timeout=30):
        end = time.time() + timeout
        while time.time() < end and self._pump(0.1):
            if self.proc.poll() is not None and not select.select([self.master], [], [], 0)[0]:
                break
        try:
            code = self.proc.wait(timeout=max(1, end - time.time()))
        except subprocess.TimeoutExpired:
            self.proc.kill()
            code = None
        os.close(self.master)
        return code


def check(case, cond, what, session=None):
    if not cond:
        failures.append(case)
        screen = session.screen.decode(errors="replace") if session else ""
        print(f"FAIL {case}: {what}\n--- screen ---\n{screen}\n--------------")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def password_case(work, answers, expect_code, expect_files):
    """Answers the password prompts in turn; an answer of None closes the input (Ctrl-D)."""
    case = "password " + "/".join(a if a else "EOF" for a in answers)
    out = os.path.join(work, case.replace(" ", "_").replace("/", "_"))
    s = Session(["extract", os.path.join(FIXTURES, "encrypted", "zip_crypt.zip"), "-d", out], work)
    for answer in answers:
        check(case, s.wait_for("Enter password: "), "no password prompt", s)
        s.screen = s.screen.replace(b"Enter password: ", b"(prompt) ", 1)
        time.sleep(0.2)  # typed after the prompt, as a person would
        s.send(answer + "\n" if answer is not None else "\x04")
    code = s.finish()
    check(case, code == expect_code, f"exit status {code}, expected {expect_code}", s)
    for typed in answers:
        if typed:
            check(case, typed.encode() not in s.screen, f"the password {typed!r} was echoed", s)
    for name, content in expect_files.items():
        path = os.path.join(out, name)
        got = read(path) if os.path.exists(path) else None
        check(case, got == content, f"{name}: {got!r:.40} instead of {content!r:.40}", s)


def skip_then_extract_large(case, work, out, large_name, seed):
    """Extracts a.txt over an existing one and then 3 MiB of noise named large_name into out; the
    overwrite question is answered No after a pause, so the bar's start-up delay has passed when
    the large item is written. Returns the session and the large item's data."""
    archive = os.path.join(work, f"{seed}.zip")
    rnd = random.Random(seed)
    big = bytes(rnd.getrandbits(8) for _ in range(3 << 20))
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("a.txt", "new text\n")
        z.writestr(large_name, big)
    os.makedirs(out)
    with open(os.path.join(out, "a.txt"), "w") as f:
        f.write("old text\n")
    s = Session(["extract", archive, "-d", out, "--overwrite", "prompt"], work)
    check(case, s.wait_for("[y]es, [n]o"), "no overwrite question", s)
    time.sleep(0.8)  # past the bar's start-up delay
    s.send("n\n")
    code = s.finish()
    check(case, code == 1, f"exit status {code}, expected 1 (an item was skipped)", s)
    return s, big


def overwrite_and_progress_case(work):
    """An overwrite question answered No after a pause; the next, larger item then shows the bar,
    which is gone from the last line when the program ends."""
    case = "overwrite prompt and progress bar"
    out = os.path.join(work, "ow")
    s, big = skip_then_extract_large(case, work, out, "big.bin", 7)
    check(case, b"Confirm" in s.screen, "the question is not titled Confirm", s)
    check(case, read(os.path.join(out, "a.txt")) == b"old text\n", "a.txt was overwritten", s)
    check(case, read(os.path.join(out, "big.bin")) == big, "big.bin is not the item's data", s)
    after = s.screen.split(b"[n]o", 1)[-1]
    check(case, b"] " in after and b"%" in after and b"big.bin" in after, "no progress bar for big.bin", s)
    check(case, after.rstrip(b"\r\n").endswith(b"\x1b[K") or b"\r\x1b[K" in after.split(b"big.bin")[-1],
          "the progress bar was not cleared at the end", s)


def long_name_progress_case(work):
    """A name too long for the line is shown by its end after "...": cut at a character, so the
    bar's text stays valid UTF-8 whatever bytes the cut falls between."""
    case = "progress bar with a long name"
    long_name = "mappa/" + "árvíztűrő_tükörfúrógép_" * 6 + "vége.bin"
    s, _ = skip_then_extract_large(case, work, os.path.join(work, "long"), long_name, 11)
    bars = [b.split(b"\x1b[K")[0] for b in s.screen.split(b"[n]o", 1)[-1].split(b"\r") if b"%" in b]
    check(case, any(b"..." in b and b.endswith("vége.bin".encode()) for b in bars),
          "no bar shows the end of the long name after ...", s)
    for b in bars:
        try:
            b.decode("utf-8")
        except UnicodeDecodeError:
            check(case, False, f"the bar {b!r} is not valid UTF-8", s)


def main():
    work = tempfile.mkdtemp(prefix="kestrel-tty-")
    try:
        hello = b"Hello, Kestrel!\n"
        password_case(work, ["secret"], 0, {"hello.txt": hello})
        password_case(work, ["wrong", "secret"], 0, {"hello.txt": hello})
        password_case(work, [None], 1, {"hello.txt": None})
        overwrite_and_progress_case(work)
        long_name_progress_case(work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print(f"{len(failures)} failed: {', '.join(sorted(set(failures)))}")
        return 1
    print("all terminal sessions behaved")
    return 0


if __name__ == "__main__":
    sys.exit(main())
