// The web player's screen: the PlayView and the platform services for the
// core compiled to WebAssembly (web_player.cpp). Play, grading, the quiz and
// the progress text are all the core's; this script only draws and listens.
const kFaceColour = "#f5f5f5";
// A text input drops line feeds, which a progress line keeps and grading
// counts: the box shows each as this sign and gives it back.
const kLineFeedShown = "\u2424";
const $ = (id) => document.getElementById(id);
const utf8 = new TextDecoder();
const encoder = new TextEncoder();
// In Brivel Studio's preview frame (the studio writes the mark): the quiz
// comes from the studio at each change, and no progress is read or kept.
const preview = window.parent !== window &&
  document.querySelector('meta[name="brivel-preview"]') !== null;

let core = null;  // the WasmModule
let quizKey = "";
let progressName = "progress.txt";
let progressBytes = null;
let gradeWord = "";
let verdictFill = -1;
let messageCaption = "";
let boxColour = kFaceColour;
const fonts = { [Field.TitleFont]: [], [Field.ProgressFont]: [] };
// The window's static texts, by element, and their controls' names: the
// core breaks them into lines (brivel_lines).
const kStatics = { title: "title", explanation: "explanation", author: "author", by: "by",
                   "code-label": "code-label", link: "link", "status-text": "status" };
const statics = {};
let lines = [];
const descriptions = [];  // each picture's, as its maker wrote it
let labelled = 0;  // how many of the chooser's labels the quiz sent

const css = (rgb) => "#" + rgb.toString(16).padStart(6, "0");

// A fault in a call into the core (a trap, or an exception thrown by one of
// the callbacks below) ends that call, never play: it goes to the console,
// and the notice tells the player what it broke (faultTold).
let faults = 0;
function reportFault(fault) {
  console.error(fault);
  ++faults;
  return -1;
}

function call(name, ...args) {
  return core ? core.call(name, ...args) : -1;
}

// The bytes copied into the core's input; their size, 0 when it has no room.
function input(bytes) {
  return core && core.input(bytes) ? bytes.length : 0;
}

// The bundle, decoded from its pieces straight into the core's memory
// where the browser can: no joined text and no copy of it on the way.
// A piece may end inside a group of four characters; the rest goes on
// with the next piece.
function inputQuiz(pieces) {
  if (typeof Uint8Array.prototype.setFromBase64 === "function") {
    const length = pieces.reduce((sum, piece) => sum + piece.length, 0);
    const target = core.room(Math.ceil(length / 4) * 3);
    if (!target) return 0;
    let written = 0;
    let rest = "";
    try {
      for (const piece of pieces) {
        const text = rest + piece;
        const step = target.subarray(written).setFromBase64(
          text, { lastChunkHandling: "stop-before-partial" });
        written += step.written;
        rest = text.slice(step.read);
      }
      return written + target.subarray(written).setFromBase64(rest).written;
    } catch (e) {
      // Damaged: decodeBase64 keeps what comes before the damage.
    }
  }
  return input(WasmModule.decodeBase64(pieces.join("")));
}

// ---- Pictures: the browser decodes, the core's FitSize sizes, the canvas
// centres it as SS_CENTERIMAGE does and fills the rest with the picture's
// top-left colour. Pictures next to the one on screen are decoded ahead.
const canvas = $("canvas");
const context = canvas.getContext("2d");
const decoded = new Map();  // index -> Promise of a picture ({source, width, height}) or null
let shownIndex = -1;
let pictureDrawn = false;
let windowShown = false;
let firstMarked = false;
let moveStart = 0;
// The picture box as the layout gives it, in CSS pixels, and canvas pixels
// to each of those.
let fitBox = [0x7fff, 0x7fff];  // the core takes it down to the window's
let pixelScale = 1;
let drawn = null;  // the picture on the canvas, drawn again when the box changes

// Its size in the box by the core's rule, [0, 0] for none.
function fitted(picture) {
  const fit = call("brivel_fit", picture.sourceWidth, picture.sourceHeight, ...fitBox);
  return fit > 0 ? [fit >>> 16, fit & 0xffff] : [0, 0];
}

function close(picture) {
  if (!picture) return;
  picture.closed = true;
  if (typeof picture.source.close === "function") picture.source.close();
}

// Pictures keep no colour profile, as with the desktop players' decoders.
const kDecoding = { colorSpaceConversion: "none" };

// The picture a start shows goes to ImageDecoder where the browser has it,
// which decodes it on its own threads at once; a Blob first makes a trip
// through the browser's process while the start keeps this thread busy.
function decodeBytes(bytes, first) {
  if (first && typeof ImageDecoder === "function") {
    try {
      const type = bytes[0] === 0x89 ? "image/png" : "image/jpeg";
      const decoder = new ImageDecoder({ data: bytes, type, ...kDecoding });
      return decoder.decode().then(({ image }) => image).finally(() => decoder.close());
    } catch (e) {
      // Not a type it takes: the Blob way below.
    }
  }
  if (typeof createImageBitmap === "function") {
    return createImageBitmap(new Blob([bytes]), kDecoding);
  }
  // Older browsers have only the image element.
  const url = URL.createObjectURL(new Blob([bytes]));
  const image = new Image();
  const loaded = new Promise((resolve, reject) => {
    image.onload = () => resolve(image);
    image.onerror = reject;
  });
  image.src = url;
  return loaded.finally(() => URL.revokeObjectURL(url));
}

// A picture the browser cannot decode is drawn as none, as the desktop
// players draw one they cannot read.
function undecoded(error) {
  console.warn("a picture the browser does not decode:", error);
  return null;
}

function decodePicture(bytes, first) {
  if (bytes.length === 0) return Promise.resolve(null);
  let decoding;
  try {
    decoding = decodeBytes(bytes, first);
  } catch (e) {
    return Promise.resolve(undecoded(e));
  }
  return decoding
    .then((source) => {
      const width = source.naturalWidth || source.displayWidth || source.width;
      const height = source.naturalHeight || source.displayHeight || source.height;
      const picture = { source, sourceWidth: width, sourceHeight: height, closed: false };
      const [fitWidth, fitHeight] = fitted(picture);
      picture.made = [fitWidth * pixelScale, fitHeight * pixelScale];
      if (fitWidth === 0 || fitHeight === 0) {
        close(picture);
        return null;
      }
      // A picture to shrink is drawn scaled at first, and by a bitmap of
      // its fitted size once made, after the draw waited for. A decoder's
      // frame draws slower than a bitmap: it is replaced the same way. On a
      // screen of several pixels to the CSS pixel, the bitmap has those, up
      // to the picture's own.
      const frame = typeof ImageBitmap === "function" && !(source instanceof ImageBitmap);
      const most = Math.min(pixelScale, Math.max(1, width / fitWidth));
      const [bitmapWidth, bitmapHeight] = [fitWidth, fitHeight].map((v) => Math.round(v * most));
      if (typeof createImageBitmap === "function" &&
          (frame || bitmapWidth !== width || bitmapHeight !== height)) {
        setTimeout(() => {
          if (picture.closed) return;
          createImageBitmap(frame ? new Blob([bytes]) : source, {
            resizeWidth: bitmapWidth, resizeHeight: bitmapHeight, resizeQuality: "high",
            ...kDecoding,
          }).then((bitmap) => {
            if (picture.closed) {
              bitmap.close();
              return;
            }
            picture.source.close();
            picture.source = bitmap;
          }).catch((error) => console.warn("the picture stays drawn scaled:", error));
        }, 0);
      }
      return picture;
    })
    .catch(undecoded);
}

// Room for a few pictures only, the least recently shown going first: a
// quiz of 96 decoded at once would take a phone's memory.
function remember(index, bytes) {
  const promise = decoded.get(index) || decodePicture(bytes.slice(), !pictureDrawn);
  decoded.delete(index);
  decoded.set(index, promise);
  for (const [old, oldPromise] of decoded) {
    if (decoded.size <= 8) break;
    if (old === shownIndex || old === index) continue;
    decoded.delete(old);
    oldPromise.then(close);
  }
}

// The box is cleared first: a picture's transparent parts show the panel,
// never the picture before.
function drawPicture(picture) {
  drawn = picture;
  // Sizing the canvas resets both.
  context.setTransform(pixelScale, 0, 0, pixelScale, 0, 0);
  context.imageSmoothingQuality = "high";
  const [W, H] = [canvas.width / pixelScale, canvas.height / pixelScale];
  context.fillStyle = boxColour;
  context.fillRect(0, 0, W, H);
  if (!picture || picture.closed) return;
  const [width, height] = fitted(picture);
  // Rounded toward zero as the desktop players centre: a picture one pixel
  // wider than the box loses its last column, not its first.
  const x = Math.trunc((W - width) / 2);
  const y = Math.trunc((H - height) / 2);
  context.drawImage(picture.source, x, y, width, height);
  if (width < W || height < H) {
    const [r, g, b] = context.getImageData(Math.max(x, 0) * pixelScale,
                                           Math.max(y, 0) * pixelScale, 1, 1).data;
    context.fillStyle = `rgb(${r},${g},${b})`;
    context.fillRect(0, 0, W, y);
    context.fillRect(0, y + height, W, H - y - height);
    context.fillRect(0, y, x, height);
    context.fillRect(x + width, y, W - x - width, height);
  }
}

// A move counts once the frame that shows it is painted: a frame's
// rendering runs after its animation callbacks, and a message posted from
// one is taken right after that frame.
function afterFrame(then) {
  requestAnimationFrame(() => {
    const channel = new MessageChannel();
    channel.port1.onmessage = then;
    channel.port2.postMessage(0);
  });
}

// The first picture counts once it is on the canvas of a window shown.
function markFirstPicture() {
  if (firstMarked || !pictureDrawn || !windowShown) return;
  firstMarked = true;
  performance.mark("brivel-first-picture");
  afterFrame(() => performance.mark("brivel-first-frame"));
  setTimeout(() => decodeNear(shownIndex), 0);
}

function showPicture(index, bytes) {
  shownIndex = index;
  remember(index, bytes);
  decoded.get(index).then((picture) => {
    if (shownIndex !== index) return;
    if (shapeBox) sizeBox(picture);
    drawPicture(picture);
    pictureDrawn = true;
    markFirstPicture();
    if (moveStart) {
      const start = moveStart;
      moveStart = 0;
      afterFrame(() => performance.measure("brivel-move", { start, end: performance.now() }));
    }
    decodeNear(index);
  });
}

// The pictures either side of the one shown, decoded ahead; not before the
// first picture is up, which they would only delay.
function decodeNear(index) {
  if (!firstMarked) return;
  const count = $("chooser").options.length;
  for (const near of [index + 1, index - 1]) {
    const wrapped = (near + count) % count;
    if (count > 1 && !decoded.has(wrapped)) call("brivel_picture", wrapped);
  }
}

// ---- Messages: the core's message boxes, modal over the page: the rest of
// it out of reach until OK (or Escape), then the focus back where it was.
const kBehindMessage = ["notice", "fit", "tools"];
let focusBefore = null;
function showMessage(caption, text) {
  $("message-caption").textContent = caption;
  $("message-text").textContent = text;
  if ($("message").hidden) focusBefore = document.activeElement;
  $("message").hidden = false;
  for (const id of kBehindMessage) $(id).inert = true;
  $("message-ok").focus();
}
function closeMessage() {
  $("message").hidden = true;
  for (const id of kBehindMessage) $(id).inert = false;
  if (focusBefore && typeof focusBefore.focus === "function") focusBefore.focus();
  focusBefore = null;
}
$("message-ok").addEventListener("click", closeMessage);
$("message").addEventListener("keydown", (event) => {
  if (event.key === "Escape") closeMessage();
});

function fontCss(face, fallback) {
  if (face.length < 3) return fallback;
  const [size, bold, italic] = face;
  // A font asked with no height gets the window's own 11 pixels.
  return `${italic ? "italic " : ""}${bold ? "bold" : "normal"} ${size || 11}px var(--face)`;
}

// ---- The imports of web_imports.h.
function onText(field, index, at, length) {
  const bytes = core.bytes(at, length);
  const text = () => utf8.decode(bytes);
  switch (field) {
    case Field.Title:
      statics.title = text();
      document.title = text() || "Brivel";
      break;
    case Field.Author: statics.author = text(); break;
    case Field.Explanation: statics.explanation = text(); break;
    case Field.Link: statics.link = text(); break;
    case Field.LinkAddress:
      // A quiz without the maker's link shows none.
      $("link").dataset.address = text();
      $("link").hidden = !text();
      break;
    case Field.Status: statics["status-text"] = text(); break;
    case Field.Line: lines[index] = text(); break;
    case Field.Description: descriptions[index] = text(); break;
    case Field.ChooserLabel: {
      // A label names a place in the quiz: a preview of the same quiz keeps it.
      const options = $("chooser").options;
      if (index >= options.length) {
        $("chooser").add(new Option(text()));
      } else if (options[index].text !== text()) {
        options[index].text = text();
      }
      labelled = index + 1;
      break;
    }
    case Field.Verdict: {
      const verdict = $("verdict");
      verdict.textContent = text();
      verdict.style.background = verdictFill >= 0 ? css(verdictFill) : kFaceColour;
      break;
    }
    case Field.Progress: $("progress").textContent = text(); break;
    case Field.Code: $("code").value = text(); break;
    case Field.BoxText: $("box").value = text().replace(/\n/g, kLineFeedShown); break;
    case Field.Picture: showPicture(index, bytes); break;
    case Field.PictureBytes: remember(index, bytes); break;
    case Field.MessageCaption: messageCaption = text(); break;
    case Field.MessageText: showMessage(messageCaption, text()); break;
    case Field.QuizKey: quizKey = "brivel-progress-" + text(); break;
    case Field.ProgressFile: progressBytes = bytes.slice(); break;
    case Field.ProgressName: progressName = text(); break;
    case Field.GradeWord: gradeWord = text(); break;
    case Field.ProgressSaid:
    case Field.MergeOwn:
    case Field.MergeIncoming: onProgressText(field, index, text()); break;
    default: break;
  }
}

function onNumber(field, index, value) {
  switch (field) {
    case Field.Chooser: $("chooser").selectedIndex = value; break;
    case Field.BackColour:
      boxColour = value >= 0 ? css(value) : kFaceColour;
      $("play").style.background = boxColour;
      document.documentElement.style.setProperty("--back", boxColour);
      break;
    case Field.VerdictFill: verdictFill = value; break;
    case Field.TitleFont:
    case Field.ProgressFont: fonts[field][index] = value; break;
    default: break;
  }
}

// Accents pasted decomposed (from a Mac) are taken composed, as Windows-1252
// has them, and control characters pasted as "?", as no progress holds them;
// a phone's typographic quotes are the core's to take (AsciiQuotes).
function onBoxText(at, capacity) {
  const room = core.bytes(at, capacity);
  const text = $("box").value.replace(/[\0-\x08\x0b-\x1f]/g, "?")
    .replace(new RegExp(kLineFeedShown, "g"), "\n").normalize("NFC");
  return encoder.encodeInto(text, room).written;
}

// An exception thrown through the core would stop it halfway through a
// move, the picture changed and the chooser not: the page's side of a
// call ends there instead, and the fault is reported.
const guarded = (handler) => (...args) => {
  try {
    return handler(...args);
  } catch (e) {
    reportFault(WasmModule.fault(handler.name, e));
    return 0;
  }
};

// What a fault broke, in the notice's line for it until the same kind of
// action next goes through.
function faultTold(line, action) {
  const before = faults;
  action();
  $(line).hidden = faults === before;
  showNotice();
}

function showNotice() {
  $("notice").hidden = Array.from($("notice").children).every((line) => line.hidden);
}

// ---- Progress: in the browser under the quiz's own key, and as the
// desktop players' Windows-1252 file on demand.
function latin1(bytes) {
  let text = "";
  for (const byte of bytes) text += String.fromCharCode(byte);
  return text;
}

// Storage refused (blocked, full, a private window): play goes on, as when
// the desktop players cannot write their file, and the page says so once.
function storageRefused() {
  if (platformKeeps()) return;
  $("unstored").hidden = false;
  showNotice();
}

const fromLatin1 = (text) => Uint8Array.from(text, (c) => c.charCodeAt(0) & 0xff);

// Null when the browser holds none or refuses to say.
function storedProgress() {
  if (preview) return null;
  try {
    const text = localStorage.getItem(quizKey);
    return text === null ? null : fromLatin1(text);
  } catch (e) {
    storageRefused();
    return null;
  }
}

// Other pages of the quiz may have stored since: the core takes their
// texts first, for the slots this page did not change (unless adopt is false).
function storeProgress(adopt) {
  if (preview) return;
  const stored = adopt === false ? null : storedProgress();
  progressBytes = null;
  faultTold("fault-save", () => call("brivel_save", stored ? input(stored) : -1));
  if (!progressBytes) return;
  try {
    localStorage.setItem(quizKey, latin1(progressBytes));
  } catch (e) {
    storageRefused();
  }
  keepOnPlatform(progressBytes);
}

// A browser may keep nothing while it reads fine: a write tells.
function probeStorage() {
  try {
    localStorage.setItem("brivel-probe", "1");
    localStorage.removeItem("brivel-probe");
  } catch (e) {
    storageRefused();
  }
}

function exportProgress() {
  storeProgress();
  if (!progressBytes) return;
  const link = document.createElement("a");
  link.href = URL.createObjectURL(new Blob([progressBytes], { type: "text/plain" }));
  link.download = progressName;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

function importProgress(file) {
  file.arrayBuffer().then((buffer) => loadProgress(file.name, new Uint8Array(buffer)), (error) => {
    console.warn(`${file.name}:`, error);
    noticeLine("loaded", `« ${file.name} » ne se lit pas (déplacé, ou illisible) : rien n'a changé.`);
  });
}

// ---- For a screen reader: the box and the picture named after the picture
// on screen, and what an action changed said politely.
function pictureName() {
  const index = $("chooser").selectedIndex;
  if (index < 0) return "";
  const found = call("brivel_found", index) === 1 ? ", trouvée" : "";
  const described = descriptions[index] ? ` : ${descriptions[index]}` : "";
  return `Image ${index + 1} sur ${$("chooser").options.length}${found}${described}`;
}

function nameControls() {
  const index = $("chooser").selectedIndex;
  $("box").setAttribute("aria-label", index < 0 ? "Réponse"
    : `Réponse pour l'image ${index + 1} sur ${$("chooser").options.length}`);
  canvas.setAttribute("aria-label", pictureName() || "Aucune image");
}

// The progress and the code as last said, said again only once changed.
let heard = null;

function announce(lead) {
  nameControls();
  const progress = $("progress").textContent.trim();
  const code = $("code").value.trim();
  const parts = lead ? [lead] : [];
  if (heard && progress !== heard.progress) {
    parts.push(`Trouvées : ${progress.replace(/\s*\/\s*/, " sur ")}`);
  }
  if (heard && code !== heard.code) parts.push(code ? `Code : ${code}` : "Plus de code");
  heard = { progress, code };
  if (parts.length === 0) return;
  const said = $("said");
  const text = `${parts.join(". ")}.`;
  // The same words again are a change to say too.
  said.textContent = said.textContent === text ? `${text}\u00a0` : text;
}

const verdictSaid = () => `Verdict : ${$("verdict").textContent}`;

// ---- Events.
function move(name, ...args) {
  moveStart = performance.now();
  faultTold("fault-action", () => {
    call(name, ...args);
    const current = call("brivel_current");
    if (current >= 0) $("chooser").selectedIndex = current;
  });
  storeProgress();
  announce($("box").value ? `${pictureName()}. ${verdictSaid()}` : pictureName());
}

function listen() {
  const box = $("box");
  let enterDown = false;
  let selectOnMouseUp = false;
  box.addEventListener("keydown", (event) => {
    if (event.key === "Enter") {
      event.preventDefault();
      enterDown = true;
    }
    if (event.key === "F2") {
      event.preventDefault();
      storeProgress();
    }
  });
  // The Windows player grades when Enter comes up (a phone's Go key too).
  box.addEventListener("keyup", (event) => {
    if (event.key !== "Enter" || !enterDown) return;
    enterDown = false;
    faultTold("fault-action", () => call("brivel_submit", $("chooser").selectedIndex));
    storeProgress();
    announce(verdictSaid());
  });
  box.addEventListener("focus", () => {
    box.select();
    selectOnMouseUp = true;
  });
  box.addEventListener("mouseup", (event) => {
    // The click that focused the box would otherwise drop the selection.
    if (selectOnMouseUp) event.preventDefault();
    selectOnMouseUp = false;
  });
  // The focus shows once the keyboard moves it, as Windows shows its focus
  // rectangles only then: a window used with the mouse looks as drawn.
  const root = document.documentElement;
  document.addEventListener("keydown", (event) => {
    if (event.key === "Tab") root.classList.add("keys");
  }, true);
  document.addEventListener("pointerdown", () => root.classList.remove("keys"), true);
  $("previous").addEventListener("click", () => move("brivel_previous"));
  $("next").addEventListener("click", () => move("brivel_next"));
  $("chooser").addEventListener("change", () =>
    move("brivel_choose", $("chooser").selectedIndex));
  $("save").addEventListener("click", storeProgress);
  $("link").addEventListener("click", (event) => {
    event.preventDefault();
    if (event.detail <= 1) window.open($("link").dataset.address, "_blank", "noopener");
  });
  $("export").addEventListener("click", exportProgress);
  $("import").addEventListener("click", () => $("import-file").click());
  $("import-file").addEventListener("change", () => {
    const file = $("import-file").files[0];
    if (file) importProgress(file);
    $("import-file").value = "";
  });
  // Closing the page saves, as closing the window does.
  window.addEventListener("pagehide", () => {
    storeProgress();
    leavePlatform();
  });
  window.addEventListener("storage", (event) => {
    if (event.key !== quizKey || event.newValue === null) return;
    call("brivel_adopt", input(fromLatin1(event.newValue)));
    announce(null);
  });
  document.addEventListener("visibilitychange", () => {
    if (document.visibilityState === "hidden") storeProgress();
  });
}

// The static texts in the lines the desktop players show, in their font:
// the core breaks them with the Linux player's widths and keeps the lines
// that fit whole, as `brivel check` tells the quiz's maker. The browser's
// own breaking would cut a word where they cut before it. On a touch screen
// those same words are broken again to the column.
function layOutStatics(touch) {
  for (const [id, control] of Object.entries(kStatics)) {
    const element = $(id);
    if (!(id in statics)) statics[id] = element.textContent;
    let [width, size, style] = [0, 0, 0];
    if (touch) {
      // A span has no width of its own: the status line's is its box's.
      const box = id === "status-text" ? $("status") : element;
      const look = getComputedStyle(box);
      width = Math.floor(box.clientWidth - parseFloat(look.paddingLeft) -
                         parseFloat(look.paddingRight));
      const font = getComputedStyle(element);
      size = Math.round(parseFloat(font.fontSize));
      style = (parseInt(font.fontWeight, 10) >= 600 ? 1 : 0) |
              (font.fontStyle === "normal" ? 0 : 2);
    }
    const text = encoder.encode(statics[id]);
    lines = [];
    input(Uint8Array.from([...text, ...encoder.encode(control)]));
    const count = call("brivel_lines", text.length, control.length, width, size, style);
    const shown = count >= 0 ? lines.slice(0, count).join("\n") : statics[id];
    if (element.textContent !== shown) element.textContent = shown;
  }
}

// Wide screens with a mouse get the window as the desktop players draw it,
// scaled down only to the screen's width. Touch screens and narrow ones get
// its controls in a column, or beside the picture on a screen lying down
// that leaves them room enough, sized for a finger; the picture box takes the
// room left, and no more than the view holds beside (or above) the answer box
// with the keyboard up.
const coarse = window.matchMedia ? matchMedia("(pointer: coarse)") : { matches: false };
const kMargin = 6;
const kSideRoom = 0.45;  // of the width, for the controls beside the picture
const kSideLeast = 320;  // their least width, in CSS pixels
let windowBox = null;  // the picture box the window's geometry gives
let shapeBox = null;  // the picture box of the window's shape in this layout

// The picture box for picture: the window's shape, but in a column, as tall
// as the picture fitted to the room (a portrait one on a phone held upright).
// The canvas is sized to it; true when that cleared it.
function sizeBox(picture) {
  const touch = document.documentElement.classList.contains("touch");
  let [width, height] = shapeBox;
  if (touch && picture && !picture.closed) height = Math.max(height, fitted(picture)[1]);
  // Inside the border, as the desktop players draw it.
  const inner = [width - 2, height - 2];
  const pixels = inner.map((side) => Math.round(side * pixelScale));
  $("picture").style.width = touch ? `${width}px` : "";
  $("picture").style.height = touch ? `${height}px` : "";
  canvas.style.width = touch ? `${inner[0]}px` : "";
  canvas.style.height = touch ? `${inner[1]}px` : "";
  if (canvas.width === pixels[0] && canvas.height === pixels[1]) return false;
  [canvas.width, canvas.height] = pixels;
  return true;
}

function layout() {
  const root = document.documentElement;
  const picture = $("picture");
  if (!windowBox) windowBox = [picture.offsetWidth, picture.offsetHeight];
  const touch = innerWidth < kWindowWidth || coarse.matches;
  const side = touch && innerWidth > innerHeight &&
               (root.clientWidth - 2 * kMargin) * kSideRoom >= kSideLeast;
  root.classList.toggle("touch", touch);
  root.classList.toggle("side", side);
  layOutStatics(touch);
  let room = windowBox;
  shapeBox = windowBox;
  pixelScale = 1;
  if (touch) {
    const [ratioWidth, ratioHeight] = windowBox;
    const view = window.visualViewport ? visualViewport.height : innerHeight;
    const across = root.clientWidth - 2 * kMargin;
    let width = Math.min(side ? Math.floor(across * (1 - kSideRoom)) : across, ratioWidth);
    let height = Math.floor(width * ratioHeight / ratioWidth);
    const under = side ? 0 : $("box").offsetHeight + 2 * kMargin;
    const tallest = Math.max(Math.floor(view - 2 * kMargin - under), 3);
    if (height > tallest) {
      height = tallest;
      width = Math.floor(height * ratioWidth / ratioHeight);
    }
    shapeBox = [Math.max(width, 3), Math.max(height, 3)];
    room = [shapeBox[0], Math.min(tallest, ratioHeight)];
    pixelScale = window.devicePixelRatio || 1;
    $("window").style.transform = "";
    $("fit").style.width = $("fit").style.height = "";
  } else {
    const scale = Math.min(1, root.clientWidth / kWindowWidth);
    $("window").style.transform = scale < 1 ? `scale(${scale})` : "";
    $("fit").style.width = `${kWindowWidth * scale}px`;
    root.style.setProperty("--window", $("fit").style.width);
    $("fit").style.height = `${kWindowHeight * scale}px`;
  }
  const moved = fitBox[0] !== room[0] || fitBox[1] !== room[1];
  fitBox = room;
  if (sizeBox(drawn) || moved) {
    drawPicture(drawn);
    // Pictures made smaller for a smaller box (a keyboard was up, the page
    // narrower) are decoded again rather than drawn enlarged.
    if (drawn && !drawn.closed) {
      const [width, height] = fitted(drawn);
      if (width * pixelScale > drawn.made[0] || height * pixelScale > drawn.made[1]) redecode();
    }
  }
  // The box typed in keeps its picture and itself in sight once a keyboard
  // has shrunk the view and the picture with it.
  if (touch && document.activeElement === $("box")) {
    $("box").scrollIntoView({ block: side ? "nearest" : "end" });
  }
}

function redecode() {
  drawn = null;
  for (const promise of decoded.values()) promise.then(close);
  decoded.clear();
  const index = shownIndex;
  call("brivel_picture", index);
  const again = decoded.get(index);
  if (again) {
    again.then((picture) => {
      if (shownIndex !== index) return;
      sizeBox(picture);
      drawPicture(picture);
    });
  }
}

// The page's name as a Linux quiz would have it (sample.html -> sample),
// so that the progress file takes the name the desktop players give it.
function pageName() {
  let name = "";
  try {
    name = decodeURIComponent(location.pathname.split("/").pop() || "");
  } catch (e) {
    name = "";
  }
  return name.replace(/\.html?$/i, "") || "brivel";
}

// For the tests and the benchmark: the page's own grader.
window.brivelGrade = (answer, typed) => {
  const a = encoder.encode(answer);
  const t = encoder.encode(typed);
  input(Uint8Array.from([...a, ...t]));
  gradeWord = "";
  return call("brivel_grade", a.length, t.length) < 0 ? null : gradeWord;
};

// The browser reads a picture's Blob through this thread before it decodes
// it elsewhere: a start that holds the thread from end to end has it
// decoded only after the window is drawn. Pausing lets the reading go on.
const pause = () => new Promise((resolve) => setTimeout(resolve, 0));

// The faces the quiz asks for its title and progress.
function useQuizFonts() {
  $("title").style.font = fontCss(fonts[Field.TitleFont], "");
  $("progress").style.font = fontCss(fonts[Field.ProgressFont], "");
}

// ---- The studio's preview: the studio calls brivelShow with each change
// of its quiz, in the task of the keystroke, so that it shows in the frame
// that paints it. data: the bundle (its texts alone when the pictures are
// the last ones'), how many pictures are found (the first ones) and the
// picture to show (-1: the one on screen). The studio is told once the
// frame that shows it is painted.
let previewShown = null;

function showPreview(data) {
  if (!data || !data.bundle) return;
  if (data.pictures) {
    for (const promise of decoded.values()) promise.then(close);
    decoded.clear();
  }
  const picture = data.picture >= 0 ? data.picture : Math.max(call("brivel_current"), 0);
  labelled = 0;
  call("brivel_preview", input(new Uint8Array(data.bundle)), data.pictures ? 1 : 0,
       data.found | 0, picture);
  const chooser = $("chooser");
  while (chooser.options.length > labelled) chooser.remove(labelled);
  nameControls();
  useQuizFonts();
  // The window keeps its size from one preview to the next: only its texts
  // are broken again, without laying the page out in the keystroke's task.
  if (windowShown && document.documentElement.classList.contains("touch")) {
    layout();
  } else if (windowShown) {
    layOutStatics(false);
  }
  let told = false;
  const tell = () => {
    if (told) return;
    told = true;
    window.parent.postMessage({ brivel: "shown", at: performance.timeOrigin + performance.now() },
                              "*");
  };
  afterFrame(tell);
  // WebKit gives a frame out of sight no animation frame: the studio, which
  // sends the next change once told, would wait for ever.
  setTimeout(tell, 250);
  if (previewShown) previewShown();
}

async function startPreview(faces) {
  if (call("_initialize") === -1) throw new Error("the core stopped");
  $("tools").style.display = "none";
  const first = new Promise((resolve) => { previewShown = resolve; });
  window.brivelShow = showPreview;
  window.parent.postMessage({ brivel: "ready", size: [kWindowWidth, kWindowHeight] }, "*");
  await first;
  previewShown = null;
  await faces;
  listen();
  document.body.dataset.ready = "1";
}

// Marks for bench/web-player-timing: how the way to the first picture splits.
async function start() {
  performance.mark("brivel-script");
  // The carried faces (fonts.css), decoded while the code compiles: the
  // window shows in them from its first frame.
  const faces = document.fonts && typeof document.fonts.load === "function"
    ? Promise.all(["11px", "bold 13px", "italic bold 15px"].map((face) =>
      document.fonts.load(`${face} "DejaVu Sans"`))).catch(() => {})
    : null;
  const imports = {
    brivel: { text: guarded(onText), number: guarded(onNumber), box_text: guarded(onBoxText) },
  };
  // The quiz comes last in the page: the code compiles on another thread
  // while the parser reads it.
  let module = null;
  const compiling = WasmModule.compile($("brivel-code").textContent)
    .then((compiled) => { module = compiled; });
  // A failure waits for the await below, not on the console.
  compiling.catch(() => {});
  if (document.readyState === "loading") {
    await new Promise((resolve) => document.addEventListener("DOMContentLoaded", resolve));
  }
  // Compiled by now as a rule: the start then goes on in this same task,
  // with no frame drawn in between.
  if (!module) await compiling;
  core = new WasmModule(module, imports, "brivel_input", reportFault);
  performance.mark("brivel-code-ready");
  if (preview) return startPreview(faces);
  // The bundle's base64 comes in pieces, which the browser parses faster.
  const pieces = Array.from($("brivel-quiz").children, (piece) => piece.textContent);
  if (call("_initialize") === -1 || call("brivel_open", inputQuiz(pieces)) === -1) {
    throw new Error("the core stopped");
  }
  performance.mark("brivel-quiz-open");
  await pause();
  useQuizFonts();
  call("brivel_progress_name", input(encoder.encode(pageName())));
  const platform = startPlatform();
  if (platform) quizKey += `-${platform.learner}`;  // a shared computer's learners apart
  startProgress(platform && platform.text);
  announce(null);
  probeStorage();
  performance.mark("brivel-restored");
  await pause();
  await faces;
  listen();
  document.body.dataset.ready = "1";
}

function show() {
  document.documentElement.classList.remove("starting");
  layout();
  window.addEventListener("resize", layout);
  if (window.visualViewport) visualViewport.addEventListener("resize", layout);
  if (typeof coarse.addEventListener === "function") coarse.addEventListener("change", layout);
  windowShown = true;
  markFirstPicture();
  // A canvas's first drawing sets it up, some milliseconds: done once the
  // window is drawn, while the first picture is still being decoded.
  requestAnimationFrame(() => setTimeout(() => {
    if (!pictureDrawn) drawPicture(null);
  }, 0));
}

// The window would stay empty: the page says why instead.
function fail(error) {
  console.error(error);
  if (typeof WebAssembly !== "object") {
    $("failure-text").textContent = "Ce navigateur n'exécute pas WebAssembly, ou il y est " +
      "désactivé : ouvrez ce quiz dans un navigateur récent (Firefox, Chrome, Edge, Safari) " +
      "et hors de tout mode qui le bloque.";
  }
  document.documentElement.className = "failed";
  document.body.dataset.ready = "0";
}

start().then(show, fail);
