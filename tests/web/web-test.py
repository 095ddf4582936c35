#!/usr/bin/env python3
"""lumarind-cli's web output as real parsers read it: a CommonMark renderer
(cmark) for the Markdown form, and three browser engines (headless Chromium,
Firefox and WebKit) for everything. Each file of a corpus is written in
every format and encoding with -t auto; each browser must fetch() the exact
bytes with the type the CLI wrote, decode images, load fonts, find a
duration in sounds and videos, show text as written, and parse the HTML
snippet to one element whose attribute is the file's name. Two more corpora
go through every one-line format and encoding, checked in batches: every
byte value at the start, in the middle, doubled and at the end of a text,
and an icon theme's SVG icons, which must render to the same pixels as the
same bytes from a file (a blob). -e auto is never longer than Base64. An
engine that cannot start is skipped. Prints "PASS name", "FAIL name: why"
or "SKIP name: why".

Usage: web-test.py LUMARIND-CLI [ENGINE...]"""
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
from marionette import Firefox  # noqa: E402
from webdriver import WebKit  # noqa: E402

ENGINES = {"chromium": Browser, "firefox": Firefox, "webkit": WebKit}

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
ICON_THEME = "/usr/share/icons/Adwaita"
ICONS = 400
ONE_LINE_FORMATS = ["line", "css", "html", "markdown"]

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
  let response;
  try {
    response = await fetch(url);
  } catch (error) {
    return problems.concat(['fetch fails: ' + error]);
  }
  const got = new Uint8Array(await response.arrayBuffer());
  const expected = window.fileBytes(c.file);
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
      if (c.samePixels) {
        const fromFile = await withDeadline(window.filePixels(c.file, c.type), 'image from the file');
        const fromUrl = await withDeadline(window.pixels(url), 'image');
        if (fromFile !== fromUrl) problems.push('renders other pixels than the file');
      }
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
      // What the engine cannot play from a file either is not the data URL's fault.
      const fromFile = await window.fileMedia(c.file, c.kind, c.type);
      if (fromFile !== '') {
        problems.push('SKIP: ' + c.kind + ' it cannot play from a file either (' + fromFile + ')');
      } else {
        const problem = await window.playMedia(url, c.kind);
        if (problem !== '' && c.refusesZero) problems.push('SKIP: refuses %00 in sound and video');
        else if (problem !== '') problems.push(problem);
      }
    }
  } catch (error) {
    problems.push(String(error));
  }
  return problems;
}"""

# The files' bytes, sent once; the pixels an image has from its file (a blob
# URL of its bytes); and a batch of cases checked a few at a time.
SHARED = r"""window.files = {};
window.addFiles = (more) => { Object.assign(window.files, more); return Object.keys(window.files).length; };
const decoded = new Map();
window.fileBytes = (id) => {
  if (!decoded.has(id)) decoded.set(id, Uint8Array.from(atob(window.files[id]), (ch) => ch.charCodeAt(0)));
  return decoded.get(id);
};
window.pixels = async (url) => {
  const image = new Image();
  image.src = url;
  await image.decode();
  const canvas = document.createElement('canvas');
  canvas.width = 48; canvas.height = 48;
  const g = canvas.getContext('2d');
  g.drawImage(image, 0, 0, 48, 48);
  const data = g.getImageData(0, 0, 48, 48).data;
  let text = '';
  for (let i = 0; i < data.length; i += 4096) text += String.fromCharCode(...data.subarray(i, i + 4096));
  return text;
};
const filePixels = new Map();
window.filePixels = (id, type) => {
  if (!filePixels.has(id)) {
    const url = URL.createObjectURL(new Blob([window.fileBytes(id)], {type}));
    filePixels.set(id, window.pixels(url).finally(() => URL.revokeObjectURL(url)));
  }
  return filePixels.get(id);
};
// Loads a sound or video far enough to know its duration (and size):
// empty when it does, the problem otherwise.
window.playMedia = async (url, kind) => {
  const withDeadline = (promise, what) => Promise.race([promise,
      new Promise((_, fail) => setTimeout(() => fail(new Error(what + ' timed out')), 10000))]);
  const event = (element, name) => new Promise((done, fail) => {
    element.addEventListener(name, done, {once: true});
    element.addEventListener('error', () => fail(new Error('media error ' + (element.error && element.error.code))), {once: true});
  });
  try {
    const media = document.createElement(kind);
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
    if (!(media.duration > 0 && isFinite(media.duration))) return 'duration ' + media.duration;
    // WebKit may learn a video's size after its duration: wait for it a while.
    for (let waited = 0; kind === 'video' && media.videoWidth === 0 && waited < 5000; waited += 50) {
      await new Promise((done) => setTimeout(done, 50));
    }
    if (kind === 'video' && media.videoWidth === 0) return 'video has no width';
    return '';
  } catch (error) {
    return String(error);
  }
};
const fileMedia = new Map();
window.fileMedia = (id, kind, type) => {
  if (!fileMedia.has(id)) {
    const url = URL.createObjectURL(new Blob([window.fileBytes(id)], {type}));
    fileMedia.set(id, window.playMedia(url, kind));
  }
  return fileMedia.get(id);
};
window.checkCases = async (cases) => {
  const results = new Array(cases.length);
  let next = 0;
  const worker = async () => {
    while (next < cases.length) {
      const i = next++;
      try {
        results[i] = await window.checkCase(cases[i]);
      } catch (error) {
        results[i] = [String(error)];
      }
    }
  };
  await Promise.all(Array.from({length: 8}, worker));
  return results;
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


def corpus(generated):
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
        "spaces at the end.txt": (b"ends in spaces  ", "text"),
        # Names that must come through every snippet as they are.
        'a & b "c" <d> ]x\\y *z* _w_ Фото.png': (png, "image"),
        "back\\slash.txt": (b"back slash", "other"),
        "*x* _y_ `z` &amp; <i> <img src=x onerror=alert(1)> <javascript:alert(1)>.txt": (b"x", "other"),
        "line\nbreak\r\nname [1](x) !#$%'+,-;=@^{|}~.txt": (b"x", "other"),
        "tab\tand\x01control.png": (png, "image"),
    }
    for name, data in generated.items():
        files[name] = (data, "video" if name.endswith(".webm") else "audio" if name.endswith(".weba") else "image")
    return files


def byte_corpus():
    """Every byte value alone at the start, in the middle, twice in a row and
    at the end of a text."""
    return {"byte-%02x.txt" % b: bytes([b]) + b"a" + bytes([b, b]) + b"a" + bytes([b]) for b in range(256)}


def icon_corpus():
    """The first icons of the theme, each under 8 KB, by path."""
    paths = []
    for folder, _, names in os.walk(ICON_THEME):
        paths += [os.path.join(folder, n) for n in names if n.endswith(".svg")]
    icons = {}
    for path in sorted(paths):
        if os.path.getsize(path) < 8192 and len(icons) < ICONS:
            name = os.path.relpath(path, ICON_THEME).replace("/", "-")
            with open(path, "rb") as f:
                icons[name] = f.read()
    return icons


def cmark_urls(snippets):
    """The URL cmark renders for each Markdown snippet, and its text or alt,
    from one run over all of them as paragraphs of one document."""
    rendered = subprocess.run(["cmark", "--unsafe"], input=b"\n\n".join(snippets), capture_output=True,
                              check=True).stdout
    parser = RenderedMarkdown()
    parser.feed(rendered.decode("utf-8"))
    parser.close()
    found, text = [], None
    for kind, tag, attributes in parser.events:
        if kind == "start" and tag == "img":
            found.append((attributes.get("src"), attributes.get("alt")))
        elif kind == "start" and tag == "a":
            found.append((attributes.get("href"), ""))
            text = len(found) - 1
        elif kind == "text" and text is not None:
            found[text] = (found[text][0], found[text][1] + tag)
        elif kind == "end" and tag == "a":
            text = None
    return found


class Cases:
    """Cases to check in every engine, each with a name to report it by;
    groups of them may share one reported name."""

    def __init__(self):
        self.files = {}
        self.cases = []

    def add_file(self, data):
        key = len(self.files)
        self.files[key] = base64.b64encode(data).decode()
        return key

    def add(self, report_as, **case):
        case["id"] = len(self.cases)
        self.cases.append((report_as, case))


def run_cli(cli, work, *arguments):
    return subprocess.run([cli, *arguments], cwd=work, capture_output=True)


def add_main_corpus(cli, work, files, cases, texts):
    for name, (data, kind) in files.items():
        with open(os.path.join(work, name), "wb") as f:
            f.write(data)
        file_id = cases.add_file(data)
        lengths = {}
        for encoding in ENCODINGS:
            line = run_cli(cli, work, "-t", "auto", "-f", "line", "-e", encoding, "--", name).stdout.decode(
                "utf-8", "replace")
            header = line[5:line.find(",")] if line.startswith("data:") and "," in line else ""
            written_type = header[:-len(";base64")] if header.endswith(";base64") else header
            for form in FORMATS:
                title = "%s -f %s -e %s" % (shown(name), form, encoding)
                run = run_cli(cli, work, "-t", "auto", "-f", form, "-e", encoding, "--", name)
                if run.returncode != 0:
                    report(False, title, run.stderr.decode("utf-8", "replace"))
                    continue
                lengths[(form, encoding)] = len(run.stdout)
                snippet = run.stdout.decode("utf-8", "replace")
                if form == "markdown":
                    urls = cmark_urls([run.stdout])
                    problem = check_markdown(run.stdout, name, urls[0][0] if len(urls) == 1 else None)
                    report(problem == "", "cmark: " + title, problem)
                    if problem:
                        continue
                    # What the browser gets of it is the destination cmark wrote.
                    form, snippet = "line", urls[0][0]
                cases.add(title, format=form, snippet=snippet, name=name, kind=kind, file=file_id,
                          type=written_type, samePixels=name.endswith(".svg"))
                if kind == "text":
                    texts.append((title, snippet if form in ("text", "line") else line, data))
        longer = [f for f in ONE_LINE_FORMATS if lengths.get((f, "auto"), 0) > lengths.get((f, "base64"), 0)]
        report(not longer, "-e auto no longer than base64: " + shown(name), "longer in " + " ".join(longer))


def add_batch_corpus(cli, work, label, files, kind, cases):
    """Each one-line format and encoding for all the files at once, reported
    per format and encoding."""
    folder = os.path.join(work, label)
    os.makedirs(folder)
    names = sorted(files)
    ids = {}
    for name in names:
        with open(os.path.join(folder, name), "wb") as f:
            f.write(files[name])
        ids[name] = cases.add_file(files[name])
    lengths = {}
    for encoding in ENCODINGS:
        types = [line[5:line.find(",")].replace(";base64", "") for line in
                 run_cli(cli, folder, "-t", "auto", "-f", "line", "-e", encoding, "--", *names).stdout.decode(
                     "utf-8", "replace").split("\n")[:-1]]
        for form in ONE_LINE_FORMATS:
            title = "%s corpus (%d files) -f %s -e %s" % (label, len(names), form, encoding)
            run = run_cli(cli, folder, "-t", "auto", "-f", form, "-e", encoding, "--", *names)
            results = run.stdout.split(b"\n")[:-1]
            if run.returncode != 0 or len(results) != len(names):
                report(False, title, run.stderr.decode("utf-8", "replace") or "%d results" % len(results))
                continue
            for name, result in zip(names, results):
                lengths[(name, form, encoding)] = len(result)
            snippets = [r.decode("utf-8", "replace") for r in results]
            if form == "markdown":
                urls = cmark_urls(results)
                wrong = [n for n, u in zip(names, urls) if u[1] != n] if len(urls) == len(names) else names
                report(not wrong, "cmark: " + title, "names or links lost: " + " ".join(wrong[:5]))
                if wrong:
                    continue
                form, snippets = "line", [u[0] for u in urls]
            for name, snippet, written_type in zip(names, snippets, types):
                cases.add(title, format=form, snippet=snippet, name=name, kind=kind, file=ids[name],
                          type=written_type, samePixels=kind == "image")
    longer = [n for n in names for f in ONE_LINE_FORMATS
              if lengths.get((n, f, "auto"), 0) > lengths.get((n, f, "base64"), 0)]
    report(not longer, "%s corpus: -e auto no longer than base64" % label, " ".join(longer[:10]))


def refuses_zero(browser, case):
    """WebKit plays sound and video through GStreamer, whose reading of a
    data URL refuses an escaped zero byte; -e auto writes such media in
    Base64, -e percent as asked."""
    return browser.name == "webkit" and case["kind"] in ("audio", "video") and "%00" in case["snippet"]


def check_in(browser, cases, texts):
    """Every case in one engine; one report per name, failing with the
    first problems of its cases."""
    browser.evaluate(CHECK)
    browser.evaluate(SHARED)
    items = list(cases.files.items())
    for at in range(0, len(items), 200):
        browser.evaluate("addFiles(%s)" % json.dumps(dict(items[at:at + 200])))
    problems, skipped = {}, {}
    batch, size = [], 0
    pending = list(cases.cases)
    while pending or batch:
        if pending and size < 2 << 20 and len(batch) < 400:
            report_as, case = pending.pop(0)
            batch.append((report_as, case))
            size += len(case["snippet"])
            continue
        results = browser.evaluate("checkCases(%s)" % json.dumps([dict(case, refusesZero=refuses_zero(browser, case))
                                                                   for _, case in batch]))
        for (report_as, case), found in zip(batch, results):
            problems.setdefault(report_as, [])
            problems[report_as] += ["%s: %s" % (case["name"], p) for p in found if not p.startswith("SKIP: ")]
            for note in (p[len("SKIP: "):] for p in found if p.startswith("SKIP: ")):
                skipped.setdefault(report_as, set()).add(note)
        batch, size = [], 0
    for title, url, data in texts:
        # Valid UTF-8 is labelled so; other bytes are read as the browser's
        # default, windows-1252.
        try:
            expected = data.decode("utf-8")
        except UnicodeDecodeError:
            expected = data.decode("cp1252")
        shown_text = browser.page_text(url, PAGE_TEXT)
        if shown_text != expected:
            problems.setdefault(title, []).append("page shows " + shown(shown_text[:60]))
    for report_as, found in problems.items():
        if not found and report_as in skipped:
            print("SKIP %s: %s: %s" % (browser.name, report_as, "; ".join(sorted(skipped[report_as]))), flush=True)
            continue
        report(not found, "%s: %s" % (browser.name, report_as), "; ".join(found[:4]) +
               (" and %d more" % (len(found) - 4) if len(found) > 4 else ""))


def check_download_limit(cli, work, chromium):
    """Download links whose data URL is just under and just over the 2 MiB
    that older Chromium versions take: the first downloads the file whole,
    and lumarind-cli warns of the second only."""
    limit = 2 * 1024 * 1024
    header = len("data:application/pdf;base64,")
    for name, url_length in (("under.pdf", limit - 4), ("over.pdf", limit + 4)):
        data = os.urandom((url_length - header) // 4 * 3)
        with open(os.path.join(work, name), "wb") as f:
            f.write(data)
        run = run_cli(cli, work, "-t", "auto", "-f", "html", name)
        warned = b"Chromium" in run.stderr and b"warning" in run.stderr
        over = url_length > limit
        title = "download link with a data URL of %d characters" % url_length
        report(run.returncode == 0 and warned == over, "lumarind-cli warns of the " + title if over else
               "lumarind-cli does not warn of the " + title, run.stderr.decode("utf-8", "replace"))
        folder = os.path.join(work, "downloads-" + name)
        os.makedirs(folder)
        state = chromium.download(run.stdout.decode(), folder)
        saved = os.path.join(folder, name)
        whole = state == "completed" and os.path.exists(saved) and open(saved, "rb").read() == data
        if over:
            # Current versions download it; older ones said "Network error".
            report(whole or state == "canceled", "chromium: downloads the %s whole or refuses it" % title,
                   "state %s" % state)
            print("chromium %s the %s" % ("downloads" if whole else "refuses", title), flush=True)
        else:
            report(whole, "chromium: downloads the " + title + " whole", "state %s" % state)


def start(engine):
    try:
        return ENGINES[engine]()
    except BrowserUnavailable as error:
        print("SKIP %s: %s" % (engine, error), flush=True)
        return None


def main():
    cli = os.path.realpath(sys.argv[1])
    engines = sys.argv[2:] or list(ENGINES)
    work = tempfile.mkdtemp(prefix="lumarind-web-")
    chromium = None
    try:
        # Chromium makes the media files for every engine.
        chromium = start("chromium") if "chromium" in engines else None
        generated = {}
        if chromium:
            generated = {name: base64.b64decode(data) for name, data in chromium.evaluate(GENERATE).items()}
        cases, texts = Cases(), []
        add_main_corpus(cli, work, corpus(generated), cases, texts)
        add_batch_corpus(cli, work, "bytes", byte_corpus(), "other", cases)
        icons = icon_corpus()
        if icons:
            add_batch_corpus(cli, work, "icons", icons, "image", cases)
        else:
            print("SKIP icons: no SVG icons in " + ICON_THEME)
        for engine in engines:
            browser = chromium if engine == "chromium" else start(engine)
            if not browser:
                continue
            try:
                check_in(browser, cases, texts)
                if browser is chromium:
                    check_download_limit(cli, work, chromium)
            finally:
                browser.close()
                if browser is chromium:
                    chromium = None
    finally:
        if chromium:
            chromium.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
