"use strict";
// Brivel Studio's screen. Everything about the quiz (its checks, picture
// preparation, the forms it is written in) is the maker library's, in the
// WebAssembly module; this script shows it, reads the maker's files, runs
// the browser's picture codecs and keeps the draft.
(() => {
/*BRIVEL:GENERATED*/

  const $ = (id) => document.getElementById(id);
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  let exports = null;
  let memory = null;

  // What the module last sent, per field: cleared before each call.
  let sent = {};
  let problems = [];

  // The draft, as the page keeps it: the same as the module's quiz.
  // kept: what an opened quiz holds that no player shows, by Kept.
  const quiz = { title: "", author: "", explanation: "", colour: 0x5a5f96, kept: {}, pictures: [] };

  let describeInto = null;
  function onText(field, index, at, length) {
    if (describeInto) return describeInto(field, index, at, length);
    const bytes = new Uint8Array(memory.buffer, at, length).slice();
    if (field === Field.ProblemField) {
      problems.push({ field: decoder.decode(bytes), warning: index === 1, message: "", french: "" });
    } else if (field === Field.ProblemMessage) {
      problems[problems.length - 1].message = decoder.decode(bytes);
    } else if (field === Field.ProblemFrench) {
      problems[problems.length - 1].french = decoder.decode(bytes);
    } else if (field === Field.FileName) {
      if (quiz.pictures[index]) quiz.pictures[index].fileName = decoder.decode(bytes);
    } else {
      sent[field] = bytes;
    }
    return undefined;
  }

  function onNumber(field, index, value) {
    sent[field] = value;
  }

  // The module's text made anew by the browser into room (studio_imports.h).
  function remade(at, length, room, capacity, make) {
    let text;
    try {
      text = new TextDecoder("utf-8", { fatal: true }).decode(new Uint8Array(memory.buffer, at, length));
    } catch (e) {
      return -1;
    }
    const made = encoder.encode(make(text));
    if (made.length <= capacity) new Uint8Array(memory.buffer, room, capacity).set(made);
    return made.length;
  }

  function onCompose(at, length, room, capacity) {
    return remade(at, length, room, capacity, (text) => text.normalize("NFC"));
  }

  // utf8proc's case folding, as near as the browser has it: upper case then
  // lower turns "ß" into "ss" as folding does.
  function onFold(at, length, room, capacity, marks) {
    return remade(at, length, room, capacity, (text) => {
      const folded = text.normalize("NFD").toUpperCase().toLowerCase();
      return (marks ? folded : folded.replace(/\p{M}/gu, "")).normalize("NFC");
    });
  }

  // A trap leaves the module's memory in no known state: nothing more is
  // written from it. The draft, kept by the page, comes back with a reload.
  function call(name, ...args) {
    sent = {};
    try {
      return exports[name](...args);
    } catch (e) {
      if (e instanceof WebAssembly.RuntimeError) {
        $("stopped").hidden = false;
        for (const button of document.querySelectorAll("#export button")) button.disabled = true;
      }
      throw e;
    }
  }

  // The bytes copied into the module's input; its size.
  let inputAt = 0;
  function input(bytes) {
    inputAt = call("studio_input", bytes.length);
    if (bytes.length > 0 && inputAt === 0) throw new Error("la mémoire du navigateur est pleine");
    new Uint8Array(memory.buffer, inputAt, bytes.length).set(bytes);
    return bytes.length;
  }

  // A file's UTF-8 name then its bytes, as the module takes a file; the
  // name's size.
  function inputFile(name, bytes) {
    const encoded = encoder.encode(name);
    const joined = new Uint8Array(encoded.length + bytes.length);
    joined.set(encoded);
    joined.set(bytes, encoded.length);
    input(joined);
    return encoded.length;
  }

  function decodeBase64(text) {
    // Decoded natively where the browser can, not walked one character at a time.
    if (typeof Uint8Array.fromBase64 === "function") return Uint8Array.fromBase64(text.trim());
    const binary = atob(text.trim());
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  async function player(id) {
    const packed = new Blob([decodeBase64($(id).textContent)]);
    const stream = packed.stream().pipeThrough(new DecompressionStream("gzip"));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  }

  // ---- Pictures: the browser decodes and encodes, the module decides.

  function isPng(bytes) {
    return Boolean(bytes) && bytes.length > 8 && bytes[0] === 0x89 && bytes[1] === 0x50 &&
      bytes[2] === 0x4e;
  }

  // The picture's bytes with its EXIF orientation hidden, the module's own:
  // good until the next call into it. The browser then decodes the pixels as
  // stored, and the module turns them as pack does.
  function orientationHidden(bytes) {
    const size = input(bytes);
    call("studio_hide_orientation");
    return new Uint8Array(memory.buffer, inputAt, size);
  }

  // The picture's pixels as stored: {width, height, pixels} in RGBA, at least
  // width x height. Each decoder copies its bytes as it is made.
  async function decodePixels(bytes, width, height, scaled = true) {
    if (scaled && typeof ImageDecoder === "function") {
      try {
        return await decodeScaled(orientationHidden(bytes), width, height);
      } catch (e) {
        // Decoded as other browsers do, below.
      }
    }
    const bitmap = await createImageBitmap(new Blob([orientationHidden(bytes)]), {
      colorSpaceConversion: "none", premultiplyAlpha: "none",
      resizeWidth: width, resizeHeight: height, resizeQuality: "high" });
    const canvas = document.createElement("canvas");
    canvas.width = bitmap.width;
    canvas.height = bitmap.height;
    const context = canvas.getContext("2d", { willReadFrequently: true });
    context.drawImage(bitmap, 0, 0);
    bitmap.close();
    const image = context.getImageData(0, 0, canvas.width, canvas.height);
    return { width: image.width, height: image.height, pixels: new Uint8Array(image.data.buffer) };
  }

  // Asked for a size, Chromium's JPEG decoder scales by the DCT as TurboJPEG
  // does for the tool: a photo of 4000 x 3000 decodes in a quarter of the
  // time and memory a whole decode and a resize take, to nearly the tool's pixels.
  // The pixels go to spare when it is large enough; handed, the decoder takes
  // the bytes' buffer instead of copying them.
  async function decodeScaled(jpeg, width, height, spare = null, handed = false) {
    const decoder = new ImageDecoder({ data: jpeg, type: "image/jpeg", desiredWidth: width,
                                       desiredHeight: height, colorSpaceConversion: "none",
                                       transfer: handed ? [jpeg.buffer] : [] });
    try {
      const { image } = await decoder.decode();
      try {
        const shown = image.visibleRect;
        if (shown.width < width || shown.height < height) throw new Error("decoded too small");
        const size = shown.width * shown.height * 4;
        const pixels = spare && spare.length >= size ? spare.subarray(0, size) : new Uint8Array(size);
        await image.copyTo(pixels, { format: "RGBA" });
        return { width: shown.width, height: shown.height, pixels };
      } finally {
        image.close();
      }
    } finally {
      decoder.close();
    }
  }

  // One canvas, kept: making one for each picture cost more than its copy and
  // encoding. The canvas is copied as the encoding begins.
  async function encodeJpeg(width, height, rgba) {
    const canvas = encodeJpeg.canvas = encodeJpeg.canvas ||
      (typeof OffscreenCanvas === "function" ? new OffscreenCanvas(width, height)
        : document.createElement("canvas"));
    if (canvas.width !== width) canvas.width = width;
    if (canvas.height !== height) canvas.height = height;
    canvas.getContext("2d").putImageData(
      new ImageData(new Uint8ClampedArray(rgba.buffer, rgba.byteOffset, rgba.length), width, height), 0, 0);
    // Encoded away from the page where the browser can: a canvas's toBlob
    // waits for the page to be idle.
    const blob = canvas.convertToBlob ? await canvas.convertToBlob({ type: "image/jpeg", quality: 0.9 })
      : await new Promise((resolve) => canvas.toBlob(resolve, "image/jpeg", 0.9));
    return new Uint8Array(await blob.arrayBuffer());
  }

  // Pictures are read, decoded, prepared and encoded on a thread of the
  // page's own, with an instance of the module there holding one picture at
  // a time: the screen and the page's module only take what is stored (21
  // photos held the page for seconds). The thread's code is that of the
  // functions it names; there is no thread where the browser has no such
  // thread or decoder, and one that cannot hold a picture leaves it to the
  // page, whose module then knows why.
  function preparingThread(Field) {
    let module = null;
    let sent = {};
    const none = { width: 0, height: 0, pixels: new Uint8Array(0) };
    // Buffers for decoded pixels, kept: mapping some MB anew for each photo
    // cost more than decoding into them. Each job in flight holds its own.
    const spares = [];
    const words = new TextDecoder();
    function input(bytes) {
      const at = module.studio_input(bytes.length);
      if (bytes.length > 0 && at === 0) throw new Error("out of memory");  // the page tries
      new Uint8Array(module.memory.buffer, at, bytes.length).set(bytes);
      return at;
    }
    // Each job's picture is held in the module, in this order, while the job
    // lasts: jobs take turns at each await.
    const held = [];
    // {prepared, stored, plan, handed} or {tried, handed}: whether the
    // decoder was tried, and whether it took the bytes given (a photo's, with
    // their orientation hidden).
    async function prepare(job, given, colour) {
      const at = input(given);
      if (module.studio_add_picture(held.length, 0, given.length) < 0) return { tried: false };
      held.push(job);
      try {
        sent = {};
        const kind = module.studio_plan(held.indexOf(job));
        let image = none;
        if (kind < 0) return { tried: false };
        if (kind === 1) {
          module.studio_hide_orientation();  // in the input, which still holds the bytes
          given.set(new Uint8Array(module.memory.buffer, at, given.length));
          const spare = spares.pop() || null;
          try {
            image = await decodeScaled(given, sent[Field.DecodeWidth], sent[Field.DecodeHeight],
                                       spare, true);
          } catch (e) {
            if (spare) spares.push(spare);
            return { tried: true, handed: true };
          }
        }
        input(image.pixels);
        if (image !== none && spares.length < 2) spares.push(new Uint8Array(image.pixels.buffer));
        module.studio_set_colour(colour);
        sent = {};
        const status = module.studio_prepare(held.indexOf(job), image.width, image.height);
        const handed = kind === 1;
        return status < 0 ? { tried: handed, handed } : finish(status, sent, handed);
      } finally {
        module.studio_remove_picture(held.indexOf(job));
        held.splice(held.indexOf(job), 1);
      }
    }
    async function finish(status, got, handed) {
      const plan = got[Field.PlanText] ? words.decode(got[Field.PlanText]) : "";
      const stored = status === 0 ? got[Field.Stored]
        : await encodeJpeg(got[Field.EncodeWidth], got[Field.EncodeHeight], got[Field.EncodePixels]);
      return { prepared: true, stored, plan, handed };
    }
    onmessage = async ({ data }) => {
      if (data.module) {
        module = new WebAssembly.Instance(data.module, {
          studio: {
            text(field, index, at, length) {
              sent[field] = new Uint8Array(module.memory.buffer, at, length).slice();
            },
            number(field, index, value) { sent[field] = value; },
            compose: () => -1, fold: () => -1,
          },
          // ENOSYS: nothing a picture needs
          wasi_snapshot_preview1: new Proxy({}, { get: () => () => 52 }),
        }).exports;
        module._initialize();
        return;
      }
      const { job, file, colour } = data;
      let given = data.given;
      let reply = { tried: false };
      try {
        given = given || new Uint8Array(await file.arrayBuffer());
        reply = await prepare(job, given, colour);
      } catch (e) {
        // The page reads and prepares it its own way.
      }
      if (reply.handed) given = null;
      const moved = file && given ? [given.buffer] : [];
      if (reply.stored) moved.push(reply.stored.buffer);
      postMessage({ job, given: file ? given : null, ...reply }, moved);
    };
  }

  // Two threads, started with the first picture and stopped once idle a
  // while, which gives their memory back: PNGs, whose decoding holds a
  // thread for a second and 190 MB, go to the first; each photo to the one
  // with fewer jobs. After a failure the page prepares its pictures itself.
  const kThreadsIdleMs = 10000;
  const thread = { module: null, code: null, workers: null, failed: false, jobs: new Map(),
                   next: 0, idle: null };

  function stopThreads() {
    for (const worker of thread.workers || []) worker.terminate();
    thread.workers = null;
  }

  function threads() {
    clearTimeout(thread.idle);
    if (thread.workers || thread.failed) return thread.workers;
    if (typeof Worker !== "function" || typeof ImageDecoder !== "function" ||
        typeof OffscreenCanvas !== "function") {
      thread.failed = true;
      return null;
    }
    try {
      thread.code = thread.code || URL.createObjectURL(new Blob(
        [`${decodeScaled}\n${encodeJpeg}\n(${preparingThread})(${JSON.stringify(Field)});`],
        { type: "text/javascript" }));
      thread.workers = [new Worker(thread.code), new Worker(thread.code)];
      for (const worker of thread.workers) {
        worker.jobs = 0;
        worker.onmessage = ({ data }) => {
          --worker.jobs;
          thread.jobs.get(data.job)(data);
          thread.jobs.delete(data.job);
          if (thread.jobs.size === 0) thread.idle = setTimeout(stopThreads, kThreadsIdleMs);
        };
        worker.onerror = () => {
          thread.failed = true;
          stopThreads();
          for (const finished of thread.jobs.values()) finished({ tried: false });
          thread.jobs.clear();
        };
        worker.postMessage({ module: thread.module });
      }
    } catch (e) {
      thread.failed = true;
      stopThreads();
    }
    return thread.workers;
  }

  function threadFor(png) {
    const [first, second] = threads();
    const worker = png || first.jobs < second.jobs ? first : second;
    ++worker.jobs;
    return worker;
  }

  // The picture prepared on the thread, from its file (whose bytes come back
  // as its given ones) or from its bytes as given (copied there):
  // {prepared, tried}, tried telling whether the thread tried the browser's
  // decoder on one it could not prepare.
  async function preparedOnThread(picture, file) {
    const turn = picture.turn = (picture.turn || 0) + 1;
    const colour = quiz.colour;
    const reply = await new Promise((finished) => {
      const job = thread.next++;
      thread.jobs.set(job, finished);
      const png = file ? /\.png$/i.test(file.name) || file.type === "image/png"
        : isPng(picture.given);
      threadFor(png).postMessage(file ? { job, file, colour }
        : { job, given: picture.given, colour });
    });
    // A photo's bytes went to the decoder: prepared, it is its stored bytes.
    if (file) picture.given = reply.given || (reply.prepared ? null : await bytesOf(file));
    const at = quiz.pictures.indexOf(picture);
    if (!reply.prepared) return { prepared: false, tried: Boolean(reply.tried) };
    if (at < 0 || picture.turn !== turn) return { prepared: true };  // gone, or prepared anew
    const png = isPng(picture.given);
    // The module takes only what is stored: a PNG's bytes, which the page
    // keeps to lay it on another colour, go to whoever prepares it then.
    call("studio_stored", at, input(reply.stored));
    picture.stored = reply.stored;
    picture.plan = reply.plan;
    picture.failure = "";
    storedAnew(picture);
    // The colour changed meanwhile: laid on the new one.
    if (png && quiz.colour !== colour) await prepareAll([picture]);
    return { prepared: true };
  }

  // What preparing the picture needs of the browser, or null when the
  // thread prepared it: a JPEG's pixels at the size the module asks for;
  // none for a PNG, which the module decodes, or a file it cannot read
  // (studio_prepare then says why).
  async function decoded(picture) {
    const none = { width: 0, height: 0, pixels: new Uint8Array(0) };
    const file = picture.file;
    picture.file = null;
    let tried = false;
    if ((file || picture.given) && threads()) {
      const done = await preparedOnThread(picture, file);
      if (done.prepared) return null;
      tried = done.tried;
    } else if (file) {
      picture.given = await bytesOf(file);
    }
    const index = quiz.pictures.indexOf(picture);
    if (index < 0) return none;
    if (file || isPng(picture.given)) call("studio_given", index, input(picture.given));
    if (call("studio_plan", index) !== 1) return none;
    try {
      return await decodePixels(picture.given, sent[Field.DecodeWidth], sent[Field.DecodeHeight],
                                !tried);
    } catch (e) {
      return none;
    }
  }

  // Prepares the picture as `brivel pack` would from what decoded() gave:
  // its stored bytes, or nothing with the reason on the picture. Its place is
  // looked up at each call into the module, since others change meanwhile;
  // of two preparations of one picture (the colour changed twice), the last
  // begun is kept.
  async function prepare(picture, image) {
    const at = () => quiz.pictures.indexOf(picture);
    if (!image || at() < 0) return;  // prepared on the thread, or removed meanwhile
    const turn = picture.turn = (picture.turn || 0) + 1;
    input(image.pixels);
    const status = call("studio_prepare", at(), image.width, image.height);
    picture.plan = sent[Field.PlanText] ? decoder.decode(sent[Field.PlanText]) : "";
    picture.failure = sent[Field.PictureStatus] ? decoder.decode(sent[Field.PictureStatus]) : "";
    if (status === 0) {
      picture.stored = sent[Field.Stored];
    } else if (status === 1) {
      const stored = await encodeJpeg(sent[Field.EncodeWidth], sent[Field.EncodeHeight],
                                      sent[Field.EncodePixels]);
      if (at() < 0 || picture.turn !== turn) return;
      picture.stored = stored;
      call("studio_stored", at(), input(picture.stored));
    } else {
      picture.stored = null;
    }
    storedAnew(picture);
  }

  // A picture prepared anew, wherever it was: as the module does, only a PNG
  // keeps its bytes as given (to be laid on another colour); then the screen
  // and the draft take it.
  function storedAnew(picture) {
    if (picture.stored && !isPng(picture.given)) picture.given = picture.stored;
    ++picture.changes;
    renderRows();
    changed();
  }

  // Four pictures at a time are read and decoded (on the page's threads,
  // prepared and encoded too) while the page's module prepares those that
  // came back and the browser encodes them: each stage waits only for its
  // own, and each picture is decoded at the size it is stored from.
  async function prepareAll(pictures) {
    const ahead = 4;
    const decoding = pictures.slice(0, ahead).map(decoded);
    const finishing = [];
    for (let i = 0; i < pictures.length; ++i) {
      const image = await decoding[i];
      decoding[i] = null;
      if (i + ahead < pictures.length) decoding.push(decoded(pictures[i + ahead]));
      finishing.push(prepare(pictures[i], image));
    }
    await Promise.all(finishing);
  }

  // Files in `brivel new`'s order of their names, which the module says.
  function inNameOrder(files) {
    call("studio_order", input(encoder.encode(files.map((file) => file.name + "\0").join(""))));
    return Array.from(new Uint32Array(sent[Field.NameOrder].buffer), (index) => files[index]);
  }

  // Files as the maker gave them, each {name, file}: added in name order,
  // each read when its turn to be prepared comes (decoded()).
  async function addFiles(files) {
    const sorted = inNameOrder(files);
    const added = [];
    for (const file of sorted) {
      const nameSize = inputFile(file.name, new Uint8Array(0));
      const index = call("studio_add_picture", quiz.pictures.length, nameSize, 0);
      if (index < 0) continue;
      const picture = { name: file.name, file: file.file, given: null, stored: null, answer: "",
                        code: "", plan: "", failure: "", fileName: "", ...unsaved() };
      quiz.pictures.push(picture);
      added.push(picture);
    }
    renderRows();
    await prepareAll(added);
  }

  // Pictures being read or prepared (brivelStudio.busy).
  let busy = 0;
  async function working(task) {
    ++busy;
    try {
      await task();
    } finally {
      --busy;
      if (busy === 0 && shown.later) {
        clearTimeout(shown.later);
        shown.later = null;
        updatePreview();
      }
    }
  }

  function readFiles(list) {
    return working(() => readGiven(list));
  }

  // A file's bytes, or none when it cannot be read (gone since it was given).
  async function bytesOf(file) {
    try {
      return new Uint8Array(await file.arrayBuffer());
    } catch (e) {
      return new Uint8Array(0);
    }
  }

  // Only a file's first bytes are read here: 21 photos read at once took
  // seconds and held 200 MB before the first was prepared.
  async function readGiven(list) {
    const files = [];
    for (const file of list) {
      files.push({ name: file.name, file, head: await bytesOf(file.slice(0, 64)) });
    }
    let description = files.find((file) => file.name === "quiz.toml");
    const quizFile = files.find((file) => isQuizFile(file.head));
    const archives = files.filter((file) => startsWith(file.head, 0x50, 0x4b, 0x03, 0x04));
    let folder = files;
    // A quiz folder's download given back: its folder opened.
    if (!description && !quizFile && archives.length === 1) {
      folder = await unzipped(await bytesOf(archives[0].file));
      description = folder && folder.find((file) => file.name === "quiz.toml");
    }
    if (description || quizFile) {
      if (!emptyQuiz() && !confirm("Ouvrir ce quiz à la place du quiz en cours ? Celui-ci sera " +
                                   "effacé de ce navigateur (téléchargez-le d'abord pour le garder).")) {
        return;
      }
      if (folder === files) {
        for (const file of files) file.bytes = await bytesOf(file.file);
      }
      await (description ? openFolder(description, folder) : openQuiz(quizFile));
      return;
    }
    if (archives.length) {
      openMessage(archives.map((file) => `« ${file.name} » est une archive .zip sans quiz : ` +
                  "décompressez-la, puis ouvrez ou déposez ici les fichiers de son dossier."));
    }
    await addFiles(files.filter((file) => !archives.includes(file)));
  }

  // The files of a .zip ({name, bytes}) from the folder of its quiz.toml (the
  // shallowest), named from there; null when it holds none or cannot be read.
  // Entries are stored or deflated (inflated by the browser), each checked
  // against the size its directory states, and those sizes may not pass
  // kZipLimit together.
  const kZipLimit = 1 << 30;
  async function unzipped(bytes) {
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.length);
    const u16 = (at) => view.getUint16(at, true);
    const u32 = (at) => view.getUint32(at, true);
    try {
      // The directory's end, behind a comment of at most 64 KiB.
      let end = bytes.length - 22;
      const earliest = Math.max(0, end - 0xffff);
      while (end >= earliest && u32(end) !== 0x06054b50) --end;
      if (end < earliest) return null;
      const entries = [];
      let total = 0;
      for (let i = 0, at = u32(end + 16); i < u16(end + 10); ++i) {
        if (u32(at) !== 0x02014b50) return null;
        const [method, packed, size, local] = [u16(at + 10), u32(at + 20), u32(at + 24), u32(at + 42)];
        const name = decoder.decode(bytes.subarray(at + 46, at + 46 + u16(at + 28)));
        at += 46 + u16(at + 28) + u16(at + 30) + u16(at + 32);
        if (name.endsWith("/")) continue;
        if (u32(local) !== 0x04034b50) return null;
        const start = local + 30 + u16(local + 26) + u16(local + 28);
        total += size;
        if (start + packed > bytes.length || total > kZipLimit) return null;
        entries.push({ name, method, size, data: bytes.subarray(start, start + packed) });
      }
      const descriptions = entries.map((entry) => entry.name)
        .filter((name) => name === "quiz.toml" || name.endsWith("/quiz.toml"));
      if (!descriptions.length) return null;
      const base = descriptions.reduce((a, b) => (b.length < a.length ? b : a)).slice(0, -9);
      const files = [];
      for (const entry of entries) {
        if (entry.name.startsWith(base)) {
          files.push({ name: entry.name.slice(base.length), bytes: await inflated(entry) });
        }
      }
      return files;
    } catch (e) {
      return null;  // read past its end, or an entry that does not inflate to its size
    }
  }

  async function inflated({ method, size, data }) {
    if (method === 0 && data.length === size) return data.slice();
    if (method !== 8) throw new Error("not stored or deflated");
    const reader = new Blob([data]).stream().pipeThrough(new DecompressionStream("deflate-raw"))
      .getReader();
    const out = new Uint8Array(size);
    let at = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      if (at + value.length > size) {
        reader.cancel();
        throw new Error("larger than stated");
      }
      out.set(value, at);
      at += value.length;
    }
    if (at !== size) throw new Error("smaller than stated");
    return out;
  }

  function startsWith(bytes, ...values) {
    return values.every((value, i) => bytes[i] === value);
  }

  // A quiz of any form (Windows, Linux, web page, .res): not a picture, which
  // a file given wrongly would be checked as.
  function isQuizFile(bytes) {
    const head = decoder.decode(bytes.subarray(0, 64)).trimStart().toLowerCase();
    return startsWith(bytes, 0x4d, 0x5a) || startsWith(bytes, 0x7f, 0x45, 0x4c, 0x46) ||
      startsWith(bytes, 0, 0, 0, 0, 0x20, 0, 0, 0) || head.startsWith("<!doctype html");
  }

  function emptyQuiz() {
    return quiz.pictures.length === 0 && !quiz.title && !quiz.author && !quiz.explanation;
  }

  // What each place showing messages shows: a check redraws only the places
  // whose messages changed, not every row of a long quiz.
  let showing = new Map();

  // Lines ([class, text]) one under another in place.
  function showLines(place, lines) {
    place.replaceChildren(...lines.flatMap(([kind, text], i) => {
      const span = document.createElement("span");
      span.className = kind;
      span.textContent = text;
      return i ? [document.createElement("br"), span] : [span];
    }));
  }

  // Shown until the next check.
  function openMessage(text) {
    const place = document.querySelector('.messages[data-for="picture"]');
    showLines(place, text.map((line) => ["error", line]));
    showing.set(place, null);
  }

  async function openQuiz(file) {
    if (call("studio_open", input(file.bytes)) < 0) {
      const reason = sent[Field.OpenFailure] ? decoder.decode(sent[Field.OpenFailure]) : "";
      openMessage([`« ${file.name} » ne s'ouvre pas comme un quiz : ${reason}`]);
      return;
    }
    await opened();
  }

  async function openFolder(description, files) {
    for (const file of files) {
      if (file === description) continue;
      call("studio_folder_file", inputFile(file.name, file.bytes), file.bytes.length);
    }
    problems = [];
    if (call("studio_open_folder", input(description.bytes)) < 0) {
      openMessage(["Ce dossier de quiz ne s'ouvre pas :",
                   ...problems.map((p) => placeName(p.field) + p.french)]);
      return;
    }
    await opened();
  }

  // The module's quiz, just opened, taken as the page's; its pictures
  // prepared as given ones are (a quiz's own are kept as they are).
  async function opened() {
    const texts = {};
    const kept = {};
    const pictures = [];
    const onePicture = (index) => pictures[index] || (pictures[index] = {
      name: "", given: null, stored: null, answer: "", code: "", plan: "", failure: "",
      fileName: "", ...unsaved() });
    const describing = (field, index, at, length) => {
      const bytes = new Uint8Array(memory.buffer, at, length).slice();
      if (field === Field.QuizText) texts[index] = decoder.decode(bytes);
      if (field === Field.PictureName) onePicture(index).name = decoder.decode(bytes);
      if (field === Field.PictureAnswer) onePicture(index).answer = decoder.decode(bytes);
      if (field === Field.PictureCode) onePicture(index).code = decoder.decode(bytes);
      if (field === Field.PictureBytes) onePicture(index).given = bytes;
      if (field === Field.QuizKept) kept[index] = decoder.decode(bytes);
      if (field === Field.PictureKept) {
        const picture = onePicture(Math.floor(index / 16));
        (picture.kept = picture.kept || {})[index % 16] = decoder.decode(bytes);
      }
    };
    describeInto = describing;
    try {
      call("studio_describe");
    } finally {
      describeInto = null;
    }
    quiz.title = texts[Text.Title] || "";
    quiz.author = texts[Text.Author] || "";
    quiz.explanation = texts[Text.Explanation] || "";
    quiz.colour = sent[Field.QuizColour];
    quiz.kept = kept;
    quiz.pictures = pictures;
    showQuizFields();
    $("rows").replaceChildren();
    renderRows();
    await prepareAll(pictures);
  }

  // ---- The screen.

  function setText(text, index, value) {
    call("studio_set_text", text, index, input(encoder.encode(value)));
  }

  function rowOf(index) {
    return $("rows").children[index];
  }

  function renderRows() {
    const rows = $("rows");
    while (rows.children.length > quiz.pictures.length) rows.lastElementChild.remove();
    while (rows.children.length < quiz.pictures.length) {
      const row = $("row").content.firstElementChild.cloneNode(true);
      listenRow(row);
      rows.append(row);
    }
    quiz.pictures.forEach((picture, index) => {
      const row = rowOf(index);
      row.querySelector(".name").textContent = picture.name;
      const plan = row.querySelector(".plan");
      plan.textContent = picture.failure ? "Cette image ne peut pas entrer dans le quiz : " +
        picture.failure : picture.plan === "gardée telle quelle" ? "" : picture.plan;
      plan.classList.toggle("error", Boolean(picture.failure));
      const answer = row.querySelector(".answer");
      if (answer.value !== picture.answer) answer.value = picture.answer;
      const code = row.querySelector(".code");
      if (code.value !== picture.code) code.value = picture.code;
      // Only once prepared: a phone's photo as given would be decoded whole,
      // some 50 MB for each row.
      const thumb = row.querySelector(".thumb");
      const shown = picture.stored ? String(picture.stored.length) + picture.name : "";
      if (thumb.dataset.of !== shown) {
        if (thumb.src) URL.revokeObjectURL(thumb.src);
        if (picture.stored) {
          thumb.src = URL.createObjectURL(new Blob([picture.stored]));
        } else {
          thumb.removeAttribute("src");
        }
        thumb.dataset.of = shown;
      }
    });
  }

  function indexOfRow(row) {
    return Array.prototype.indexOf.call($("rows").children, row);
  }

  let dragged = null;

  function listenRow(row) {
    row.querySelector(".answer").addEventListener("input", (event) => {
      const index = indexOfRow(row);
      quiz.pictures[index].answer = event.target.value;
      setText(Text.Answer, index, event.target.value);
      changed();
      tryAnswer(row);
    });
    row.querySelector(".code").addEventListener("input", (event) => {
      const index = indexOfRow(row);
      quiz.pictures[index].code = event.target.value;
      setText(Text.Code, index, event.target.value);
      changed();
    });
    row.querySelector(".typed").addEventListener("input", () => tryAnswer(row));
    row.querySelector(".remove").addEventListener("click", () => {
      const index = indexOfRow(row);
      call("studio_remove_picture", index);
      quiz.pictures.splice(index, 1);
      row.remove();
      changed();
    });
    row.addEventListener("dragstart", () => {
      dragged = row;
      row.classList.add("dragging");
    });
    row.addEventListener("dragend", () => {
      row.classList.remove("dragging");
      dragged = null;
    });
    row.addEventListener("dragover", (event) => {
      if (dragged) event.preventDefault();
    });
    row.addEventListener("drop", (event) => {
      if (!dragged || dragged === row) return;
      event.preventDefault();
      event.stopPropagation();
      movePicture(indexOfRow(dragged), indexOfRow(row));
    });
  }

  function movePicture(from, to) {
    call("studio_move_picture", from, to);
    const [moved] = quiz.pictures.splice(from, 1);
    quiz.pictures.splice(to, 0, moved);
    const rows = $("rows");
    const row = rows.children[from];
    rows.insertBefore(row, from < to ? rows.children[to].nextSibling : rows.children[to]);
    changed();
  }

  function tryAnswer(row) {
    const index = indexOfRow(row);
    const typed = row.querySelector(".typed").value;
    const verdict = row.querySelector(".verdict");
    if (!typed) {
      verdict.textContent = "";
      return;
    }
    call("studio_grade", index, input(encoder.encode(typed)));
    verdict.textContent = sent[Field.Verdict] ? decoder.decode(sent[Field.Verdict]) : "";
  }

  // The messages of `brivel check`, each beside the field it names.
  function check() {
    problems = [];
    const errors = call("studio_check");
    const lines = new Map();
    for (const problem of problems) {
      const place = placeOf(problem.field);
      if (!lines.has(place)) lines.set(place, []);
      lines.get(place).push(problem.warning ? ["warning", "Attention : " + problem.french]
        : ["error", "Erreur : " + problem.french]);
    }
    const drawn = new Map([...lines].map(([place, texts]) => [place, texts.join("\n")]));
    for (const place of showing.keys()) {
      if (!drawn.has(place)) place.replaceChildren();
    }
    for (const [place, texts] of drawn) {
      if (showing.get(place) !== texts) showLines(place, lines.get(place));
    }
    showing = drawn;
    $("blocked").hidden = errors === 0;
    document.querySelectorAll("#export button").forEach((button) => {
      button.disabled = errors !== 0 || !$("stopped").hidden;
    });
    return errors;
  }

  // Where a problem is, in the maker's words, for messages shown apart from their field.
  function placeName(field) {
    const picture = /^picture\[(\d+)\]/.exec(field);
    if (picture) return `Image ${picture[1]} : `;
    return { title: "Titre : ", author: "Auteur : ", explanation: "Explication : " }[field] || "";
  }

  function placeOf(field) {
    const picture = /^picture\[(\d+)\]\.(\w+)$/.exec(field);
    if (picture) {
      const row = rowOf(Number(picture[1]) - 1);
      const which = { answer: ".answer-messages", code: ".code-messages" }[picture[2]];
      if (row) return row.querySelector(which || ".file-messages");
    }
    return document.querySelector(`.messages[data-for="${field}"]`) ||
      document.querySelector('.messages[data-for=""]');
  }

  // Checked once for all the changes of a task, as it ends: a keystroke's
  // frame then shows its warnings, which waiting for that frame to check
  // would delay to the next. The draft is kept a moment later.
  let checkPending = false;
  let savePending = null;
  function changed() {
    if (!checkPending) {
      checkPending = true;
      queueMicrotask(() => {
        checkPending = false;
        check();
      });
    }
    clearTimeout(savePending);
    savePending = setTimeout(saveDraft, 300);
    updatePreview();
  }

  // ---- Downloads.

  const forms = {
    Windows: { player: "player-windows", suffix: ".exe", type: "application/vnd.microsoft.portable-executable" },
    Linux: { player: "player-linux", suffix: "", type: "application/octet-stream" },
    Web: { player: "player-web", suffix: ".html", type: "text/html" },
    Folder: { player: null, suffix: ".zip", type: "application/zip" },
    Res: { player: null, suffix: ".res", type: "application/octet-stream" },
    Description: { player: null, suffix: ".toml", type: "text/plain" },
  };

  // The quiz's bytes in form (a name of Form), or null when it has errors.
  async function write(form) {
    const bytes = forms[form].player ? await player(forms[form].player) : new Uint8Array(0);
    const status = call("studio_write", Form[form], input(bytes));
    return status === 0 ? sent[Field.Output] : null;
  }

  function fileName(form) {
    const base = quiz.title.normalize("NFD").replace(/[\u0300-\u036f]/g, "")
      .replace(/[^A-Za-z0-9]+/g, "-").replace(/^-|-$/g, "").toLowerCase() || "quiz";
    return base + forms[form].suffix;
  }

  async function download(form) {
    const bytes = await write(form);
    if (!bytes) return;
    const link = document.createElement("a");
    link.href = URL.createObjectURL(new Blob([bytes], { type: forms[form].type }));
    link.download = fileName(form);
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  // ---- The draft, kept in the browser as the maker works.

  // The quiz's texts and its list of pictures are one record, rewritten at
  // each change; each picture's bytes one record of their own, under the
  // picture's id, written once they are prepared and again only when they
  // change: a quiz of photos holds tens of megabytes. A picture still being
  // prepared is left out, its file as given written only to be replaced.
  let nextId = 1;
  // A new picture's id, and its bytes not saved (changes: how often they were
  // prepared, saved: at which of those they were last written).
  function unsaved() {
    return { id: nextId++, changes: 0, saved: 0 };
  }

  // Storage that never answers (WebKit never finished a save holding a File;
  // an open may wait on another tab) is told to the maker after this long,
  // and a draft that could not be read is never written over.
  const kStorageWaitMs = 8000;
  let draftUnread = false;
  let savedAt = 0;  // when the last save kept began
  let failedAt = 0;  // when the last save refused, or late, began

  // Whether the maker may count on the draft is the last save's answer.
  function saveEnded(began, kept) {
    if (kept) {
      savedAt = Math.max(savedAt, began);
    } else {
      failedAt = Math.max(failedAt, began);
    }
    $("unkept").hidden = savedAt >= failedAt;
  }

  function database() {
    return new Promise((resolve, reject) => {
      const request = indexedDB.open("brivel-studio", 2);
      request.onupgradeneeded = () => {
        const names = request.result.objectStoreNames;
        if (!names.contains("draft")) request.result.createObjectStore("draft");
        if (!names.contains("pictures")) request.result.createObjectStore("pictures");
      };
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
  }

  function done(request) {
    return new Promise((resolve, reject) => {
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
  }

  async function saveDraft() {
    if (draftUnread) return;
    const began = performance.now();
    const late = setTimeout(() => saveEnded(began, false), kStorageWaitMs);
    try {
      const db = await database();
      const pictures = quiz.pictures.filter((p) => p.changes > 0);
      const kept = {
        title: quiz.title, author: quiz.author, explanation: quiz.explanation, colour: quiz.colour,
        kept: quiz.kept,
        pictures: pictures.map((p) => ({ id: p.id, name: p.name, answer: p.answer, code: p.code,
                                         plan: p.plan, failure: p.failure, kept: p.kept })),
      };
      const written = pictures.filter((p) => p.saved !== p.changes).map((p) => [p, p.changes]);
      const transaction = db.transaction(["draft", "pictures"], "readwrite");
      const finished = new Promise((resolve, reject) => {
        transaction.oncomplete = resolve;
        transaction.onerror = () => reject(transaction.error);
        transaction.onabort = () => reject(transaction.error);
      });
      transaction.objectStore("draft").put(kept, "quiz");
      const store = transaction.objectStore("pictures");
      for (const [p] of written) store.put({ given: p.given, stored: p.stored }, p.id);
      const ids = new Set(pictures.map((p) => p.id));
      for (const id of await done(store.getAllKeys())) {
        if (!ids.has(id)) store.delete(id);
      }
      await finished;
      db.close();
      for (const [p, changes] of written) p.saved = changes;
      document.body.dataset.saved = String(Date.now());
      saveEnded(began, true);
    } catch (e) {
      document.body.dataset.saved = "0";
      saveEnded(began, false);  // the maker must not count on the draft
    } finally {
      clearTimeout(late);
    }
  }

  async function loadDraft() {
    try {
      const db = await database();
      const transaction = db.transaction(["draft", "pictures"]);
      const kept = await done(transaction.objectStore("draft").get("quiz"));
      for (const picture of kept ? kept.pictures || [] : []) {
        // A draft of the first version held the bytes in its one record.
        if (!Number.isInteger(picture.id)) continue;
        Object.assign(picture, await done(transaction.objectStore("pictures").get(picture.id)));
      }
      db.close();
      return kept || null;
    } catch (e) {
      return null;
    }
  }

  // The module and the screen given the draft's quiz.
  async function restore(kept) {
    quiz.title = kept.title || "";
    quiz.author = kept.author || "";
    quiz.explanation = kept.explanation || "";
    quiz.colour = typeof kept.colour === "number" ? kept.colour : 0x5a5f96;
    for (const [text, value] of [[Text.Title, quiz.title], [Text.Author, quiz.author],
                                 [Text.Explanation, quiz.explanation]]) {
      setText(text, 0, value);
    }
    call("studio_set_colour", quiz.colour);
    quiz.kept = kept.kept || {};
    for (const [which, text] of Object.entries(quiz.kept)) {
      call("studio_set_kept", Number(which), -1, input(encoder.encode(text)));
    }
    for (const kept_picture of kept.pictures || []) {
      if (!kept_picture.given) continue;
      // Its bytes are in the draft's records, or (a draft of the first
      // version) written there at the next save.
      const own = Number.isInteger(kept_picture.id);
      const picture = Object.assign({ fileName: "" }, kept_picture, own ? {} : unsaved(),
                                    { changes: 1, saved: own ? 1 : 0 });
      nextId = Math.max(nextId, picture.id + 1);
      const nameSize = inputFile(picture.name, picture.given);
      const index = call("studio_add_picture", quiz.pictures.length, nameSize,
                         picture.given.length);
      quiz.pictures.push(picture);
      if (picture.stored) call("studio_stored", index, input(picture.stored));
      setText(Text.Answer, index, picture.answer);
      setText(Text.Code, index, picture.code);
      for (const [which, text] of Object.entries(picture.kept || {})) {
        call("studio_set_kept", Number(which), index, input(encoder.encode(text)));
      }
    }
    showQuizFields();
    renderRows();
    // Those the browser had not finished, or could not read, are tried again.
    await prepareAll(quiz.pictures.filter((picture) => !picture.stored));
  }

  function showQuizFields() {
    $("title").value = quiz.title;
    $("author").value = quiz.author;
    $("explanation").value = quiz.explanation;
    $("colour").value = "#" + quiz.colour.toString(16).padStart(6, "0");
  }

  function listen() {
    for (const [id, text] of [["title", Text.Title], ["author", Text.Author],
                              ["explanation", Text.Explanation]]) {
      $(id).addEventListener("input", () => {
        quiz[id] = $(id).value;
        setText(text, 0, quiz[id]);
        changed();
      });
    }
    $("colour").addEventListener("change", async () => {
      quiz.colour = parseInt($("colour").value.slice(1), 16);
      call("studio_set_colour", quiz.colour);
      // Transparent areas lie on the quiz colour: those pictures are prepared anew.
      await working(() => prepareAll(quiz.pictures.filter((picture) => isPng(picture.given))));
      renderRows();
      changed();
    });
    $("open").addEventListener("change", async (event) => {
      await readFiles(Array.from(event.target.files));
      event.target.value = "";
    });
    $("pick").addEventListener("change", async (event) => {
      await readFiles(Array.from(event.target.files));
      event.target.value = "";
    });
    const drop = $("drop");
    for (const target of [drop, $("pictures")]) {
      target.addEventListener("dragover", (event) => {
        if (dragged) return;
        event.preventDefault();
        drop.classList.add("over");
      });
      target.addEventListener("dragleave", () => drop.classList.remove("over"));
      target.addEventListener("drop", async (event) => {
        if (dragged) return;
        event.preventDefault();
        drop.classList.remove("over");
        await readFiles(await droppedFiles(event.dataTransfer));
      });
    }
    document.querySelectorAll("#export button").forEach((button) => {
      button.addEventListener("click", () => download(button.dataset.form));
    });
    $("new").addEventListener("click", () => {
      if (quiz.pictures.length === 0 && !quiz.title && !quiz.author) return startAfresh();
      if (confirm("Commencer un nouveau quiz ? Le quiz en cours sera effacé de ce navigateur " +
                  "(téléchargez-le d'abord pour le garder).")) {
        startAfresh();
      }
      return undefined;
    });
  }

  function startAfresh() {
    call("studio_clear");
    quiz.title = quiz.author = quiz.explanation = "";
    quiz.colour = 0x5a5f96;
    quiz.kept = {};
    quiz.pictures = [];
    call("studio_set_colour", quiz.colour);
    showQuizFields();
    renderRows();
    changed();
  }

  // The files of a drop, a dropped folder's among them.
  async function droppedFiles(transfer) {
    const entries = Array.from(transfer.items || [])
      .map((item) => (item.webkitGetAsEntry ? item.webkitGetAsEntry() : null));
    if (entries.length === 0 || entries.some((entry) => !entry)) return Array.from(transfer.files);
    const files = [];
    async function walk(entry) {
      if (entry.isFile) {
        files.push(await new Promise((resolve, reject) => entry.file(resolve, reject)));
      } else if (entry.isDirectory) {
        const reader = entry.createReader();
        for (;;) {
          const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
          if (batch.length === 0) break;
          for (const child of batch) await walk(child);
        }
      }
    }
    for (const entry of entries) await walk(entry);
    return files;
  }

  // ---- The preview: the web player's own page in a frame, given the quiz
  // at each change as the bundle the module makes of it (its texts alone
  // while the pictures are those given last), one at a time, by a call in the
  // task of the change: the player shows it in the painting that shows the
  // keystroke, where a posted message is taken only after that painting. The
  // frame's policy allows no request; its sandbox, no popup, download or
  // navigation; the player's preview reads and keeps no progress. What is
  // typed in it stays in it.
  const kPreviewHead = '<meta name="brivel-preview"><meta http-equiv="Content-Security-Policy" ' +
    "content=\"default-src 'none'; script-src 'unsafe-inline' 'unsafe-eval' 'wasm-unsafe-eval'; " +
    "style-src 'unsafe-inline'; font-src data:; img-src blob: data:\">";
  const shown = { ready: false, busy: false, pending: false, pictures: null, picture: -1,
                  size: [0, 0], picturesAt: 0, later: null };
  // While pictures are being prepared, the preview takes their new set at
  // most this often: a set is sent whole, and sending it again after each of
  // 21 photos was the page's largest task while they were prepared.
  const kPreviewPicturesMs = 1000;

  function updatePreview() {
    if (!shown.ready || shown.busy) {
      shown.pending = shown.ready;
      return;
    }
    const stored = quiz.pictures.map((picture) => picture.stored);
    const same = shown.pictures !== null && stored.length === shown.pictures.length &&
      stored.every((bytes, i) => bytes === shown.pictures[i]);
    if (!same && busy > 0) {
      const wait = shown.picturesAt + kPreviewPicturesMs - performance.now();
      if (shown.later || wait > 0) {
        shown.later = shown.later || setTimeout(() => {
          shown.later = null;
          updatePreview();
        }, wait);
        return;
      }
    }
    const found = $("preview-found");
    found.max = String(quiz.pictures.length);
    // Called between another call and its reading of what the module sent.
    const before = sent;
    const made = call("studio_preview", same ? 0 : 1) === 0 ? sent[Field.Output] : null;
    sent = before;
    if (!made) return;
    if (!same) shown.picturesAt = performance.now();
    shown.pictures = stored;
    shown.busy = true;
    shown.pending = false;
    try {
      $("preview-frame").contentWindow.brivelShow({
        bundle: made.buffer, pictures: !same, picture: shown.picture,
        found: Math.min(Math.max(Number(found.value) | 0, 0), quiz.pictures.length),
      });
    } catch (e) {
      shown.busy = false;  // the frame gone or broken: the studio goes on
    }
    shown.picture = -1;
  }

  function scalePreview() {
    const [width, height] = shown.size;
    const room = $("preview-fit").clientWidth;
    if (!width || !room) return;
    const scale = Math.min(1, room / width);
    const frame = $("preview-frame");
    frame.style.width = `${width}px`;
    frame.style.height = `${height}px`;
    frame.style.transform = scale < 1 ? `scale(${scale})` : "";
    $("preview-fit").style.height = `${Math.ceil(height * scale)}px`;
  }

  function onPreview(event) {
    const frame = $("preview-frame");
    if (event.source !== frame.contentWindow || !event.data) return;
    if (event.data.brivel === "ready") {
      shown.ready = true;
      shown.size = event.data.size;
      scalePreview();
    } else if (event.data.brivel === "shown") {
      shown.busy = false;
      if (!shown.pending) return;
    } else {
      return;
    }
    updatePreview();
  }

  async function startPreview() {
    window.addEventListener("message", onPreview);
    window.addEventListener("resize", scalePreview);
    $("preview").addEventListener("toggle", scalePreview);
    $("preview-found").addEventListener("input", updatePreview);
    $("rows").addEventListener("focusin", (event) => {
      const row = event.target.closest(".row");
      if (!row) return;
      shown.picture = indexOfRow(row);
      updatePreview();
    });
    const page = decoder.decode(await player("player-web"));
    $("preview-frame").srcdoc = page.replace("<head>", "<head>" + kPreviewHead);
  }

  // For the tests: the studio driven as the maker would, without dialogs.
  window.brivelStudio = {
    write: async (form) => {
      const bytes = await write(form);
      return bytes ? Array.from(bytes) : null;
    },
    // How long writing form takes, in ms, as a download does.
    timed: async (form) => {
      const started = performance.now();
      return (await write(form)) ? performance.now() - started : null;
    },
    problems: () => {
      check();
      return problems.map((p) => ({ field: p.field, warning: p.warning, message: p.message,
                                    french: p.french }));
    },
    fileNames: () => quiz.pictures.map((p) => p.fileName),
    // Pictures being read or prepared: none once a drop is done.
    busy: () => busy,
    pictures: () => quiz.pictures.map((p) => ({ name: p.name, plan: p.plan, failure: p.failure,
                                                stored: p.stored ? p.stored.length : 0 })),
    saved: saveDraft,
  };

  async function start() {
    // The draft is read while the module compiles.
    const draft = loadDraft();
    const wasi = new Proxy({}, { get: () => () => 52 /* ENOSYS */ });
    const module = await WebAssembly.compile(decodeBase64($("studio-code").textContent));
    exports = new WebAssembly.Instance(module, {
      studio: { text: onText, number: onNumber, compose: onCompose, fold: onFold },
      wasi_snapshot_preview1: wasi,
    }).exports;
    memory = exports.memory;
    call("_initialize");
    thread.module = module;
    const kept = await Promise.race([draft, new Promise((resolve) => {
      setTimeout(() => resolve(false), kStorageWaitMs);
    })]);
    if (kept === false) {
      draftUnread = true;
      $("unkept").hidden = false;
    } else if (kept) {
      await restore(kept);
    }
    call("studio_set_colour", quiz.colour);
    listen();
    check();
    performance.mark("brivel-studio-ready");
    document.body.dataset.ready = "1";
    startPreview().catch(() => { $("preview").hidden = true; });
  }

  start().catch(() => {
    $("failure").hidden = false;
    document.body.dataset.ready = "0";
  });
})();
