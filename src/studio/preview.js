// The preview: the web player's own page in a frame, given the quiz at each
// change as the bundle the module makes of it (its texts alone while the
// pictures are those given last), one at a time, by a call just after the
// painting that shows the change: the keystroke and its warnings are
// painted first, the player's page in the next frame (with 96 pictures,
// WebKitGTK took 33 ms to paint both at once, 13 ms for the studio). The frame's
// policy allows no request; its sandbox, no popup, download or navigation;
// the player's preview reads and keeps no progress. What is typed in it
// stays in it. On a laptop the frame is the player's window, scaled to the
// column; on a phone, as wide as the phone's column and as tall as the
// player's page, which then lays itself out as on a phone. Folded away, it
// is sent nothing, and is sent the quiz as it is once shown again; the
// choice is kept in the browser where it may be.
//
// studio: count(), the quiz's pictures; revision(), a number that changes
// with them; busy(), how many are being prepared; bundle(withPictures), the
// module's bundle of the quiz or null; page(), the web player's page
// (bytes); rowIndex(row).
function Preview(studio) {
  const $ = (id) => document.getElementById(id);
  const kHead = '<meta name="brivel-preview"><meta http-equiv="Content-Security-Policy" ' +
    "content=\"default-src 'none'; script-src 'unsafe-inline' 'unsafe-eval' 'wasm-unsafe-eval'; " +
    "style-src 'unsafe-inline'; font-src data:; img-src blob: data:\">";
  const shown = { ready: false, busy: false, pending: false, queued: false, revision: null,
                  picture: -1, size: [0, 0], picturesAt: 0, later: null };
  // While pictures are being prepared, the preview takes their new set at
  // most this often: a set is sent whole, and sending it again after each of
  // 21 photos was the page's largest task while they were prepared.
  const kPicturesMs = 1000;
  const kFoldKey = "brivel-studio-preview";
  let folded = false;

  function storedFold() {
    try {
      return localStorage.getItem(kFoldKey) === "folded";
    } catch (e) {
      return false;  // storage refused: shown, as by default
    }
  }

  function fold(fold) {
    folded = fold;
    const button = $("preview-fold");
    button.setAttribute("aria-expanded", String(!fold));
    button.textContent = fold ? button.dataset.folded : button.dataset.shown;
    // Folded, not gone: the player's page, loaded out of any layout, would
    // measure its texts at no width.
    $("preview-body").classList.toggle("folded", fold);
    if (fold) return;
    scale();
    update();
  }

  function keepFold() {
    try {
      if (folded) {
        localStorage.setItem(kFoldKey, "folded");
      } else {
        localStorage.removeItem(kFoldKey);
      }
    } catch (e) {
      console.warn("the preview's fold is not kept:", e);
    }
  }

  function update() {
    if (folded || shown.queued) return;
    shown.queued = true;
    afterPainting(() => {
      shown.queued = false;
      send();
    });
  }

  // From the next frame's callbacks, not a timer: sent from a timer, the
  // preview got no frame of its own in WebKitGTK until its 250 ms fallback.
  // A page out of sight, which gets no frames, is sent its quiz once shown.
  function afterPainting(task) {
    requestAnimationFrame(() => requestAnimationFrame(task));
  }

  function send() {
    if (folded) return;
    if (!shown.ready || shown.busy) {
      shown.pending = shown.ready;
      return;
    }
    const revision = studio.revision();
    const same = shown.revision === revision;
    // The first quiz shown lays the player's window out, 50 to 150 ms of the
    // page's thread in WebKitGTK: while pictures are prepared, it waits for
    // them all (settled()), so that the maker's input does not wait for it.
    if (!same && studio.busy() > 0 && shown.revision === null) return;
    if (!same && studio.busy() > 0) {
      const wait = shown.picturesAt + kPicturesMs - performance.now();
      if (shown.later || wait > 0) {
        shown.later = shown.later || setTimeout(() => {
          shown.later = null;
          update();
        }, wait);
        return;
      }
    }
    const found = $("preview-found");
    const count = studio.count();
    found.max = String(count);
    const made = studio.bundle(!same);
    if (!made) return;
    if (!same) shown.picturesAt = performance.now();
    shown.revision = revision;
    shown.busy = true;
    shown.pending = false;
    try {
      $("preview-frame").contentWindow.brivelShow({
        bundle: made.buffer, pictures: !same, picture: shown.picture,
        found: Math.min(Math.max(Number(found.value) | 0, 0), count),
      });
    } catch (e) {
      console.warn("the preview is gone:", e);
      shown.busy = false;  // the studio goes on
    }
    shown.picture = -1;
  }

  // Pictures prepared, all of them: the preview need wait no more, nor
  // one that has shown no quiz yet.
  function settled() {
    if (!shown.later && shown.revision !== null) return;
    clearTimeout(shown.later);
    shown.later = null;
    update();
  }

  // The player's page as a phone shows it: the style says where
  // (--player), the page's height is the frame's.
  const column = () =>
    getComputedStyle($("preview-fit")).getPropertyValue("--player").trim() === "column";

  function scale() {
    const [width, height] = shown.size;
    const room = $("preview-fit").clientWidth;
    if (!width || !room) return;
    const frame = $("preview-frame");
    if (column()) {
      const page = frame.contentDocument && frame.contentDocument.body;
      frame.style.width = `${room}px`;
      frame.style.height = `${(page && page.offsetHeight) || height}px`;
      frame.style.transform = "";
      $("preview-fit").style.height = "";
      return;
    }
    const factor = Math.min(1, room / width);
    frame.style.width = `${width}px`;
    frame.style.height = `${height}px`;
    frame.style.transform = factor < 1 ? `scale(${factor})` : "";
    $("preview-fit").style.height = `${Math.ceil(height * factor)}px`;
  }

  function onMessage(event) {
    const frame = $("preview-frame");
    if (event.source !== frame.contentWindow || !event.data) return;
    if (event.data.brivel === "ready") {
      shown.ready = true;
      shown.size = event.data.size;
      // The page's height follows its layout, which follows each change.
      const inside = $("preview-frame").contentWindow;
      new inside.ResizeObserver(scale).observe(inside.document.body);
      scale();
    } else if (event.data.brivel === "shown") {
      shown.busy = false;
      if (!shown.pending) return;
    } else {
      return;
    }
    update();
  }

  async function start() {
    window.addEventListener("message", onMessage);
    window.addEventListener("resize", scale);
    $("preview-fold").addEventListener("click", () => {
      fold(!folded);
      keepFold();
    });
    fold(storedFold());
    $("preview-found").addEventListener("input", update);
    $("rows").addEventListener("focusin", (event) => {
      const row = event.target.closest(".row");
      if (!row) return;
      shown.picture = studio.rowIndex(row);
      update();
    });
    const page = new TextDecoder().decode(await studio.page());
    $("preview-frame").srcdoc = page.replace("<head>", "<head>" + kHead);
  }

  return { start, update, settled };
}
