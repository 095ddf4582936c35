#!/usr/bin/env python3
"""--decode against the browser: a generated set of data URLs, valid and not,
is given to headless Chromium's fetch() and to lumarind-cli --decode. Each
must be accepted by both with the same bytes, or refused by both.

Usage: decode-oracle.py LUMARIND-CLI"""
import base64
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from devtools import Browser, BrowserUnavailable  # noqa: E402

FETCH_ALL = """(async urls => Promise.all(urls.map(async url => {
  try {
    const bytes = new Uint8Array(await (await fetch(url)).arrayBuffer());
    let text = '';
    for (const b of bytes) text += String.fromCharCode(b);
    return btoa(text);
  } catch (e) {
    return null;
  }
})))(%s)"""

SPACES = [" ", "\t", "\n", "\r\n", "\f", "%20", "%0A", "%09", "%0C"]
MARKERS = [";base64", ";BASE64", ";Base64", "; base64", ";  base64 ", ";base64 ", " ;base64", ";base64;x=y",
           "base64", ";base-64", ";charset=utf-8;base64", ";base64,", ";%62ase64"]
TYPES = ["", "text/plain", "image/png", "TEXT/PLAIN;charset=utf-8", "x/y;a=\"b c\"", " text/html "]
INVALID = ["$", "-", "_", ".", "!", "é", "%FF", "%", "%2", "%zz", "\x01", "*", ":"]


def insert(text, piece, rng):
    at = rng.randrange(len(text) + 1)
    return text[:at] + piece + text[at:]


def base64_case(rng):
    data = bytes(rng.randrange(256) for _ in range(rng.randrange(0, 14)))
    body = base64.b64encode(data).decode()
    mutation = rng.randrange(12)
    if mutation == 1:
        body = body.rstrip("=")
    elif mutation == 2:
        body += "=" * rng.randrange(1, 3)
    elif mutation == 3:
        body = body.replace("=", "%3D")
    elif mutation == 4:
        body = insert(body, "=", rng)
    elif mutation == 5:
        for _ in range(rng.randrange(1, 5)):
            body = insert(body, rng.choice(SPACES), rng)
    elif mutation == 6:
        body = insert(body, rng.choice(INVALID), rng)
    elif mutation == 7:
        body = body.rstrip("=") + rng.choice("AQgw")
    elif mutation == 8:
        body += "#" + rng.choice(["", "frag", "$$", "=="])
    elif mutation == 9:
        body = "".join("%%%02X" % ord(c) if rng.random() < 0.3 else c for c in body)
    elif mutation == 10:
        body = body.rstrip("=") + "=" * rng.randrange(0, 4)
        body = insert(body, rng.choice(SPACES), rng)
    marker = ";base64" if rng.random() < 0.5 else rng.choice(MARKERS)
    return "data:" + rng.choice(TYPES) + marker + "," + body


def percent_case(rng):
    pieces = []
    for _ in range(rng.randrange(0, 12)):
        kind = rng.randrange(8)
        if kind == 0:
            pieces.append("%%%02X" % rng.randrange(256))
        elif kind == 1:
            pieces.append("%%%02x" % rng.randrange(256))
        elif kind == 2:
            pieces.append(rng.choice(["%", "%4", "%zz", "%%", "%G1", "%\n41"]))
        elif kind == 3:
            pieces.append(rng.choice(SPACES[:5]))
        elif kind == 4:
            pieces.append(rng.choice(["é", "Ж", ";", "?", "'", "\"", "(", ")", "\\", "<", ">", "&", "\x01", "\x7f"]))
        elif kind == 5:
            pieces.append(rng.choice(["#", "#x", "?q=1"]))
        else:
            pieces.append("".join(rng.choice("abcXYZ019-._~!$*+,=:@/") for _ in range(rng.randrange(1, 6))))
    header = rng.choice(TYPES + ["", "", ";charset=utf-8", "text/plain;base64x"])
    return "data:" + header + "," + "".join(pieces)


def odd_case(rng):
    return rng.choice([
        "data:", "data:;base64", "DATA:,x", " data:,x ", "data:text/plain", "data:text#,x", "data:,", "data:,,",
        "data:;base64,", "data:;base64,=", "data:;base64,==", "data:;base64,====", "data:;base64,A===",
        "data:;base64,QQ", "data:;base64,QQ=", "data:;base64,QQ==", "data:;base64,QQ===", "data:;base64,QR==",
        "data:;base64,QUJD=", "data:;base64,QUJDRA", "data:;base64,Q", "data:;base64,QUJDR",
        "data:;base64 ,QQ==", "data:; base64,QQ==", "data:;base64%20,QQ==", "da\nta:,x", "data\t:,x",
        "data:,a b", "data:,a  ", "data:,a\x01", "data:;base64,QQ==\x01", "data:;base64,QQ==%01",
        "data:;base64,Q Q\nQ\tQ", "data:;base64,%51%51%3d%3D", "data:;base64,QQ%3d=",
    ])


# Each of these always, for faults once found in them.
FIXED = [
    "data:,a\nmetadata:b",
    "data:,a" + " " * 65537 + "b",
    "data:;base64,YQ==" + " " * 65537 + "\x01" + "\x00" * 65537,
]


def cases():
    rng = random.Random(2397)
    urls = set(FIXED)
    for maker, count in ((base64_case, 260), (percent_case, 130), (odd_case, 60)):
        for _ in range(count):
            urls.add(maker(rng))
    return sorted(urls)


def main():
    cli = os.path.realpath(sys.argv[1])
    try:
        browser = Browser()
    except BrowserUnavailable as error:
        print("SKIP decode oracle: %s" % error)
        return
    work = tempfile.mkdtemp(prefix="lumarind-oracle-")
    try:
        urls = cases()
        answers = browser.evaluate(FETCH_ALL % json.dumps(urls))
        accepted = 0
        for number, (url, answer) in enumerate(zip(urls, answers)):
            path = os.path.join(work, "%d.txt" % number)
            with open(path, "wb") as f:
                f.write(url.encode("utf-8"))
            run = subprocess.run([cli, "--decode", path], capture_output=True)
            shown = url if len(url) <= 200 else "%s...(%d characters)...%s" % (url[:60], len(url) - 80, url[-20:])
            name = "decode as fetch() does: %s" % json.dumps(shown)
            if answer is None:
                ok = run.returncode == 1
                why = "fetch() fails; --decode gives %r (exit %d)" % (run.stdout[:40], run.returncode)
            else:
                accepted += 1
                expected = base64.b64decode(answer)
                ok = run.returncode == 0 and run.stdout == expected
                why = "fetch() gives %r; --decode gives %r (exit %d) %s" % (
                    expected[:40], run.stdout[:40], run.returncode, run.stderr.decode("utf-8", "replace").strip())
            print("PASS %s" % name if ok else "FAIL %s: %s" % (name, why), flush=True)
        print("# %d data URLs, %d accepted by fetch()" % (len(urls), accepted))
    finally:
        browser.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
