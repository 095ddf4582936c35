#!/usr/bin/env python3
"""lumarind-cli's web output as real parsers read it: a CommonMark renderer
(cmark) for the Markdown form, and headless Chromium for everything. Each
file of a corpus is written in every format and encoding with -t auto; the
browser must fetch() the exact bytes with the type the CLI wrote, decode
images, load fonts, find a duration in sounds and videos, show text as
written, and parse the HTML snippet to one element whose attribute is the
file's name. Prints "PASS name", "FAIL name: why" or "SKIP name: why".

Usage: web-test.py LUMARIND-CLI"""
import base64
import html.parser
import json
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from devtools import Browser, BrowserUnavailable  # noqa: E402

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
FORMATS = ["text", "line", "css", "html", "markdown"]
ENCODINGS = ["base64", "percent", "auto"]

# A transparent GIF of one pixel.
GIF = (b"GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00\x00"
       b",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;")
SVG = ('<?xml version="1.0" encoding="UTF-8"?>\n<svg xmlns="http://www.w3.org/2000/svg" width="12" height="8">'
       '<title>Рисунок; 100% «ёлка» #1</title><rect width="12" height="8" fill="#3a7"/></svg>\n').encode()
CYRILLIC = "Привет, мир; 100% «ёлка» #1 <b>&amp;</b>\nвторая строка\n"
LATIN1 = "Café crème; 50% brûlée #2\n"
FONT_AWESOME = "/usr/share/fonts-font-awesome/fonts/fontawesome-webfont"

# Made by the browser itself: JPEG and WebP from a canvas, a WebM video and
# an Opus sound (in WebM) from MediaRecorder.
GENERATE = r"""(async () => {
  const canvas = document.createElement('canvas');
  canvas.width = 32; canvas.height = 24;
  const g = canvas.getContext('2d');
  const draw = (n) => { g.fillStyle = n % 2 ? '#c33' : '#33c'; g.fillRect(0, 0, 32, 24); };
  draw(0);
  const bytes = async (blob) => {
    const array = new Uint8Array(await blob.arrayBuffer());
    let text = '';
    for (let i = 0; i < array.length; i += 8192) text += String.fromCharCode(...array.subarray(i, i + 8192));
    return btoa(text);
  };
  const image = (type) => new Promise((done) => canvas.toBlob(done, type, 0.9));
  const record = async (stream, type) => {
    const recorder = new MediaRecorder(stream, {mimeType: type});
    const chunks = [];
    recorder.ondataavailable = (event) => chunks.push(event.data);
    const stopped = new Promise((done) => { recorder.onstop = done; });
    let frame = 0;
    const timer = setInterval(() => draw(++frame), 40);
    recorder.start();
    await new Promise((done) => setTimeout(done, 700));
    recorder.stop();
    await stopped;
    clearInterval(timer);
    return bytes(new Blob(chunks, {type}));
  };
  const audio = new AudioContext();
  const tone = audio.createOscillator();
  const sink = audio.createMediaStreamDestination();
  tone.connect(sink);
  tone.start();
  const result = {
    'photo.jpg': await bytes(await image('image/jpeg')),
    'image.webp': await bytes(await image('image/webp')),
    'clip.webm': await record(canvas.captureStream(25), 'video/webm;codecs=vp8'),
    'sound.weba': await record(sink.stream, 'audio/webm;codecs=opus'),
  };
  tone.stop();
  return result;
})()"""

# Checks one snippet; resolves to a list of problems, empty when all is well.
CHECK = r"""window.checkCase = async (c) => {
  const problems = [];
  const withDeadline = (promise, what) => Promise.race([promise,
      new Promise((_, fail) => setTimeout(() => fail(new Error(what + ' timed out')), 10000))]);
  const event = (element, name) => new Promise((done, fail) => {
    element.addEventListener(name, done, {once: true});
    element.addEventListener('error', () => fail(new Error('media error ' + (element.error && element.error.code))), {once: true});
  });
  let url = c.snippet;
  if (c.format === 'css') {
    const holder = document.createElement('div');
    holder.style.backgroundImage = c.snippet;
    const read = /^url\("(.*)"\)$/s.exec(holder.style.backgroundImage);
    if (!read) return ['CSS reads no url("...") from it'];
    url = read[1].replace(/\\(.)/gs, '$1');
  } else if (c.format === 'html') {
    const template = document.createElement('template');
    template.innerHTML = c.snippet;
    const nodes = template.content.childNodes;
    if (nodes.length !== 1 || nodes[0].nodeType !== Node.ELEMENT_NODE) return ['HTML parses to ' + nodes.length + ' nodes'];
    const element = nodes[0];
    if (element.attributes.length !== 2) problems.push('attributes: ' + element.getAttributeNames().join(' '));
    if (element.tagName === 'IMG') {
      if (element.getAttribute('alt') !== c.name) problems.push('alt is ' + JSON.stringify(element.getAttribute('alt')));
      url = element.getAttribute('src');
    } else if (element.tagName === 'A') {
      if (element.getAttribute('download') !== c.name) problems.push('download is ' + JSON.stringify(element.getAttribute('download')));
      if (element.children.length !== 0 || element.textContent !== c.name) problems.push('link text is ' + JSON.stringify(element.innerHTML));
      url = element.getAttribute('href');
    } else {
      return ['HTML element ' + element.tagName];
    }
  }
  if (url === null) return problems.concat(['no URL']);
  const response = await fetch(url);
  const got = new Uint8Array(await response.arrayBuffer());
  const expected = Uint8Array.from(atob(c.bytes), (ch) => ch.charCodeAt(0));
  if (got.length !== expected.length || got.some((b, i) => b !== expected[i])) {
    problems.push('fetch gives ' + got.length + ' bytes, not the ' + expected.length + ' of the file');
  }
  const browserType = (response.headers.get('content-type') || '').toLowerCase().replace(/\s/g, '');
  if (c.type !== '' && browserType !== c.type.toLowerCase()) problems.push('browser reads type ' + browserType + ', not ' + c.type);
  try {
    if (c.kind === 'image') {
      const image = new Image();
      image.src = url;
      await withDeadline(image.decode(), 'image');
      if (image.naturalWidth === 0) problems.push('image has no width');
    } else if (c.kind === 'font') {
      // The window's form breaks its lines, which a CSS string may not hold.
      const source = c.format === 'css' ? c.snippet : 'url(' + JSON.stringify(url.replace(/[\r\n]/g, '')) + ')';
      const style = document.createElement('style');
      style.textContent = '@font-face { font-family: f' + c.id + '; src: ' + source + '; }';
      document.head.appendChild(style);
      const faces = await withDeadline(document.fonts.load('16px f' + c.id), 'font');
      style.remove();
      if (faces.length !== 1 || faces[0].status !== 'loaded') problems.push('@font-face does not load it');
    } else if (c.kind === 'audio' || c.kind === 'video') {
      const media = document.createElement(c.kind);
      media.preload = 'metadata';
      media.muted = true;
      const loaded = event(media, 'loadedmetadata');
      media.src = url;
      await withDeadline(loaded, 'metadata');
      // A recording has no duration in its header: seeking far finds it.
      if (!isFinite(media.duration)) {
        const known = event(media, 'durationchange');
        media.currentTime = 1e9;
        await withDeadline(known, 'duration');
      }
      if (!(media.duration > 0 && isFinite(media.duration))) problems.push('duration ' + media.duration);
      if (c.kind === 'video' && media.videoWidth === 0) problems.push('video has no width');
    }
  } catch (error) {
    problems.push(String(error));
  }
  return problems;
}"""

# The text a top-level page shows.
PAGE_TEXT = "document.body ? document.body.textContent : ''"


class RenderedMarkdown(html.parser.HTMLParser):
    """What cmark's HTML holds: tags with attributes, text, and anything else."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.events = []

    def handle_starttag(self, tag, attrs):
        self.events.append(("start", tag, dict(attrs)))

    def handle_startendtag(self, tag, attrs):
        self.events.append(("start", tag, dict(attrs)))
        self.events.append(("end", tag, {}))

    def handle_endtag(self, tag):
        self.events.append(("end", tag, {}))

    def handle_data(self, data):
        if self.events and self.events[-1][0] == "text":
            data = self.events.pop()[1] + data
        self.events.append(("text", data, {}))

    def unknown_decl(self, data):
        self.events.append(("other", data, {}))

    handle_comment = handle_decl = handle_pi = unknown_decl


def shown(name):
    return json.dumps(name, ensure_ascii=False)


def report(ok, name, why=""):
    print("PASS %s" % name if ok else "FAIL %s: %s" % (name, why), flush=True)


def check_markdown(markdown, name, url):
    """Problems with cmark's rendering of a Markdown snippet: it must be one
    paragraph holding one link or image whose text or alt is the name (line
    breaks as spaces) and whose destination is the data URL."""
    rendered = subprocess.run(["cmark", "--unsafe"], input=markdown, capture_output=True, check=True).stdout
    parser = RenderedMarkdown()
    parser.feed(rendered.decode("utf-8"))
    parser.close()
    events = [e for e in parser.events if not (e[0] == "text" and e[1].strip() == "" and e is parser.events[-1])]
    text = name.replace("\r\n", " ").replace("\r", " ").replace("\n", " ")
    image = [("start", "p", {}), ("start", "img", {"src": url, "alt": text}), ("end", "img", {}), ("end", "p", {})]
    link = [("start", "p", {}), ("start", "a", {"href": url}), ("text", text, {}), ("end", "a", {}), ("end", "p", {})]
    if text == "":
        link.remove(("text", "", {}))
    return "" if events in (image, link) else "cmark renders " + rendered.decode("utf-8", "replace")[:300]


def corpus(browser):
    with open(os.path.join(ROOT, "samples", "lumarind-icon.png"), "rb") as f:
        png = f.read()
    files = {
        "picture.png": (png, "image"),
        "anim.gif": (GIF, "image"),
        "drawing.svg": (SVG, "image"),
        "font.woff2": (open(FONT_AWESOME + ".woff2", "rb").read(), "font"),
        "font.ttf": (open(FONT_AWESOME + ".ttf", "rb").read(), "font"),
        "привет.txt": (CYRILLIC.encode("utf-8"), "text"),
        "latin1.txt": (LATIN1.encode("latin-1"), "text"),
        "data.json": (json.dumps({"ключ": "значение; 100%", "n": [1, 2]}, ensure_ascii=False).encode(), "other"),
        "empty": (b"", "other"),
        # Names that must come through every snippet as they are.
        'a & b "c" <d> ]x\\y *z* _w_ Фото.png': (png, "image"),
        "back\\slash.txt": (b"back slash", "other"),
        "*x* _y_ `z` &amp; <i> <img src=x onerror=alert(1)> <javascript:alert(1)>.txt": (b"x", "other"),
        "line\nbreak\r\nname [1](x) !#$%'+,-;=@^{|}~.txt": (b"x", "other"),
        "tab\tand\x01control.png": (png, "image"),
    }
    if browser:
        for name, data in browser.evaluate(GENERATE).items():
            files[name] = (base64.b64decode(data), "video" if name.endswith(".webm") else
                           "audio" if name.endswith(".weba") else "image")
    return files


def main():
    cli = os.path.realpath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="lumarind-web-")
    browser = None
    try:
        try:
            browser = Browser()
        except BrowserUnavailable as error:
            print("SKIP browser: %s" % error)
        files = corpus(browser)
        if browser:
            browser.evaluate(CHECK)
        case_id = 0
        for name, (data, kind) in files.items():
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
            for encoding in ENCODINGS:
                line = subprocess.run([cli, "-t", "auto", "-f", "line", "-e", encoding, "--", name], cwd=work,
                                      capture_output=True).stdout.decode("utf-8", "replace")
                header = line[5:line.find(",")] if line.startswith("data:") and "," in line else ""
                written_type = header[:-len(";base64")] if header.endswith(";base64") else header
                for form in FORMATS:
                    title = "%s -f %s -e %s" % (shown(name), form, encoding)
                    run = subprocess.run([cli, "-t", "auto", "-f", form, "-e", encoding, "--", name], cwd=work,
                                         capture_output=True)
                    if run.returncode != 0:
                        report(False, "browser: " + title, run.stderr.decode("utf-8", "replace"))
                        continue
                    snippet = run.stdout.decode("utf-8", "replace")
                    if form == "markdown":
                        problem = check_markdown(run.stdout, name, line)
                        report(problem == "", "cmark: " + title, problem)
                        # What the browser gets of it is the destination cmark wrote.
                        form, snippet = "line", line
                    if not browser:
                        continue
                    case_id += 1
                    problems = browser.evaluate("checkCase(%s)" % json.dumps({
                        "id": case_id, "format": form, "snippet": snippet, "name": name, "kind": kind,
                        "bytes": base64.b64encode(data).decode(), "type": written_type}))
                    if kind == "text" and not problems:
                        url = snippet if form in ("text", "line") else line
                        # Valid UTF-8 is labelled so; other bytes are read as
                        # the browser's default, windows-1252.
                        try:
                            expected = data.decode("utf-8")
                        except UnicodeDecodeError:
                            expected = data.decode("cp1252")
                        shown_text = browser.page_text(url, PAGE_TEXT)
                        if shown_text != expected:
                            problems.append("page shows " + shown(shown_text[:60]))
                    report(not problems, "browser: " + title, "; ".join(problems))
    finally:
        if browser:
            browser.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
