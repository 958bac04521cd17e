// Brivel Studio's page: the start, and every change made to the quiz (the
// maker's edits, a quiz opened, pictures prepared). The quiz is the maker
// library's, in the WebAssembly module, which checks it, prepares its
// pictures and writes every form: the page holds no copy of it, but sends
// the module each edit and asks it for what to show after each change. The
// files before this one show it (rows.js, messages.js, preview.js), keep it
// (draft_store.js), write it (downloads.js), and run the browser's codecs
// (picture_codecs.js, picture_threads.js).
const $ = (id) => document.getElementById(id);
const encoder = new TextEncoder();
const decoder = new TextDecoder();
let library = null;  // the maker library's module, a WasmModule

// What the module last sent, per field: cleared before each call(); or,
// while a call's answers are taken as they come (answered()), their taker.
let sent = {};
let taker = null;

// Each text's key by its number (Text); the view's numbers by field.
const textKeys = Object.fromEntries(Object.entries(Text).map(([key, number]) => [number, key]));
const viewNumbers = { [Field.Unusable]: "unusable", [Field.StoredSize]: "storedSize",
                      [Field.OnColour]: "onColour", [Field.Revision]: "revision" };

// Each picture's work in progress by id, not the quiz's: its file, until it
// is read, and its turn, so that of two preparations of it (the colour
// changed twice) the last begun is kept.
const work = new Map();
function jobOf(id) {
  if (!work.has(id)) work.set(id, { file: null, turn: 0 });
  return work.get(id);
}

const draft = DraftStore({
  record() {
    let record = null;
    const revisions = new Map();
    answered((field, index, value) => {
      if (field === Field.Record) record = value;
      if (field === Field.Revision) revisions.set(index, value);
    }, "studio_record");
    return { record, revisions };
  },
  bytes(id) {
    const got = answersOf("studio_bytes", id, 3);
    return { given: got[Field.Given] || null, stored: got[Field.Stored] || null };
  },
}, (kept) => { $("unkept").hidden = kept; });
const rows = Rows($("rows"), $("row"), {
  text(id, key, text) {
    setText(Text[key], id, text);
    changed();
  },
  remove(id) {
    call("studio_remove_picture", id);
    work.delete(id);
    render();
    changed();
  },
  move(id, to) {
    call("studio_move_picture", id, to);
    render();
    changed();
  },
  grade(id, typed) {
    call("studio_grade", id, input(encoder.encode(typed)));
    return sent[Field.Verdict] ? decoder.decode(sent[Field.Verdict]) : "";
  },
  stored: (id) => answersOf("studio_bytes", id, 2)[Field.Stored] || null,
});
const messages = Messages(rows.rowOf);
const downloads = Downloads({
  written(form, player) {
    // The folder's .zip is dated now on the maker's clock.
    const now = Date.now() / 1000 - new Date().getTimezoneOffset() * 60;
    return call("studio_write", Form[form], input(player), now) === 0 ? sent[Field.Output] : null;
  },
  title: () => view().texts.title,
});
const preview = Preview({
  count: rows.count,
  revision: () => library.call("studio_revision"),
  busy: () => busy,
  bundle: (withPictures) => answersOf("studio_preview", withPictures ? 1 : 0)[Field.Output] || null,
  page: () => downloads.player("Web"),
  rowIndex: rows.indexOf,
});
let threads = null;  // PictureThreads, once the module is compiled

// ---- The module's imports (studio_imports.h), and the calls into it.

function onText(field, index, at, length) {
  const bytes = library.bytes(at, length).slice();
  if (taker) {
    taker(field, index, bytes);
  } else {
    sent[field] = bytes;
  }
}

function onNumber(field, index, value) {
  if (taker) {
    taker(field, index, value);
  } else {
    sent[field] = value;
  }
}

// The module's text made anew by the browser into room.
function remade(at, length, room, capacity, make) {
  let text;
  try {
    text = new TextDecoder("utf-8", { fatal: true }).decode(library.bytes(at, length));
  } catch (e) {
    return -1;
  }
  const made = encoder.encode(make(text));
  if (made.length <= capacity) library.bytes(room, capacity).set(made);
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
function stopped(fault) {
  if (fault.trap) {
    $("stopped").hidden = false;
    for (const button of document.querySelectorAll("#export button")) button.disabled = true;
  }
  console.error(fault);
  throw fault;
}

function call(name, ...args) {
  sent = {};
  return library.call(name, ...args);
}

// A call whose answers take(field, index, value) takes as they come, what
// another call sent left as it is.
function answered(take, name, ...args) {
  const outer = taker;
  taker = take;
  try {
    return library.call(name, ...args);
  } finally {
    taker = outer;
  }
}

// A call's answers by field, the last of each, what another call sent left as it is.
function answersOf(name, ...args) {
  const got = {};
  answered((field, index, value) => { got[field] = value; }, name, ...args);
  return got;
}

// The parts copied one after another into the module's input: their size,
// all together.
function input(...parts) {
  const size = parts.reduce((sum, part) => sum + part.length, 0);
  const room = library.room(size);
  if (!room) throw new Error("la mémoire du navigateur est pleine");
  let at = 0;
  for (const part of parts) {
    room.set(part, at);
    at += part.length;
  }
  return size;
}

function setText(text, id, value) {
  call("studio_set_text", text, id, input(encoder.encode(value)));
}

// The quiz as the module has it now, to be shown: {colour, texts, pictures:
// [{id, texts, note, unusable, storedSize, onColour, revision}]}, texts by key.
function view() {
  const shown = { colour: 0, texts: {}, pictures: [] };
  let owner = shown;
  answered((field, index, value) => {
    if (field === Field.Picture) {
      owner = { id: value, texts: {}, note: "" };
      shown.pictures.push(owner);
    } else if (field === Field.Text) {
      owner.texts[textKeys[index]] = decoder.decode(value);
    } else if (field === Field.Note) {
      owner.note = decoder.decode(value);
    } else if (field === Field.Colour) {
      shown.colour = value;
    } else if (viewNumbers[field]) {
      owner[viewNumbers[field]] = value;
    }
  }, "studio_view");
  return shown;
}

// The screen drawn anew from the module's quiz; what was drawn.
function render() {
  const shown = view();
  for (const box of document.querySelectorAll("#quiz [data-text]")) {
    const text = shown.texts[box.dataset.text] ?? "";
    if (box.value !== text) box.value = text;
  }
  $("colour").value = "#" + shown.colour.toString(16).padStart(6, "0");
  rows.render(shown.pictures);
  return shown;
}

// ---- Pictures: the browser decodes and encodes, the module decides.

// The picture's bytes with its EXIF orientation hidden, the module's own:
// good until the next call into it. The browser then decodes the pixels as
// stored, and the module turns them as pack does.
function orientationHidden(bytes) {
  const held = library.input(bytes);
  if (!held) throw new Error("la mémoire du navigateur est pleine");
  library.call("studio_hide_orientation");
  return library.bytes(held.byteOffset, bytes.length);
}

// A picture's file as given, as the module holds it (none once what is stored stands for it).
function givenOf(id) {
  return answersOf("studio_bytes", id, 1)[Field.Given] || null;
}

// The picture prepared on a thread, from its file (whose bytes come back as
// given) or its bytes as given: {prepared, tried, given}, tried telling
// whether the thread tried the browser's decoder on one it could not
// prepare, given the file's bytes then.
async function preparedOnThread(id, file, given) {
  const job = jobOf(id);
  const turn = ++job.turn;
  const colour = library.call("studio_colour");
  const reply = await threads.prepare({ file, given, colour });
  // A photo's bytes went to the decoder: prepared, they are its stored bytes.
  const back = file ? reply.given || (reply.prepared ? null : await bytesOf(file)) : given;
  if (!reply.prepared) return { prepared: false, tried: Boolean(reply.tried), given: back };
  if (job.turn !== turn) return { prepared: true };  // prepared anew meanwhile
  const plan = encoder.encode(reply.plan);
  const read = file && back ? back : new Uint8Array(0);
  const status = call("studio_stored", id, plan.length, read.length,
                      input(plan, read, reply.stored) - plan.length - read.length);
  if (status < 0) return { prepared: true };  // removed meanwhile
  picturePrepared();
  // The colour changed meanwhile: laid on the new one.
  if (status === 1 && library.call("studio_colour") !== colour) await prepareAll([id]);
  return { prepared: true };
}

// What preparing the picture needs of the browser, or null when a thread
// prepared it: a JPEG's pixels at the size the module asks for; none for a
// PNG, which the module decodes, or a file it cannot read (studio_prepare
// then says why).
async function decoded(id) {
  const none = { width: 0, height: 0, pixels: new Uint8Array(0) };
  const job = jobOf(id);
  const file = job.file;
  job.file = null;
  let given = file ? null : givenOf(id);
  let tried = false;
  if ((file || given) && threads.started()) {
    const done = await preparedOnThread(id, file, given);
    if (done.prepared) return null;
    ({ tried, given } = done);
  } else if (file) {
    given = await bytesOf(file);
  }
  if (file && call("studio_given", id, input(given)) < 0) return none;
  if (!given || call("studio_plan", id) !== 1) return none;
  try {
    return await decodePixels(() => orientationHidden(given), sent[Field.DecodeWidth],
                              sent[Field.DecodeHeight], !tried);
  } catch (e) {
    return none;  // the module says why it cannot be prepared
  }
}

// Prepares the picture as `brivel pack` would from what decoded() gave: the
// module keeps its stored bytes, or the reason it cannot.
async function prepare(id, image) {
  if (!image) return;  // prepared on a thread
  const job = jobOf(id);
  const turn = ++job.turn;
  input(image.pixels);
  if (call("studio_prepare", id, image.width, image.height) === 1) {
    const stored = await encodeJpeg(sent[Field.EncodeWidth], sent[Field.EncodeHeight],
                                    sent[Field.EncodePixels]);
    if (job.turn !== turn) return;
    call("studio_stored", id, 0, 0, input(stored));
  }
  picturePrepared();
}

// A picture prepared anew, or found not to be preparable: the screen and
// the draft take it.
function picturePrepared() {
  render();
  changed();
}

// Four pictures at a time are read and decoded (on the page's threads,
// prepared and encoded too) while the page's module prepares those that
// came back and the browser encodes them: each stage waits only for its
// own, and each picture is decoded at the size it is stored from.
async function prepareAll(ids) {
  const ahead = 4;
  const decoding = ids.slice(0, ahead).map(decoded);
  const finishing = [];
  for (let i = 0; i < ids.length; ++i) {
    const image = await decoding[i];
    decoding[i] = null;
    if (i + ahead < ids.length) decoding.push(decoded(ids[i + ahead]));
    finishing.push(prepare(ids[i], image));
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
  const added = [];
  for (const file of inNameOrder(files)) {
    const name = encoder.encode(file.name);
    const id = call("studio_add_picture", name.length, input(name) - name.length);
    if (id < 0) throw new Error("the module takes no more pictures");
    jobOf(id).file = file.file;
    added.push(id);
  }
  render();
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
    if (busy === 0) preview.settled();
  }
}

// A file's bytes, or none when it cannot be read (gone since it was given).
async function bytesOf(file) {
  try {
    return new Uint8Array(await file.arrayBuffer());
  } catch (e) {
    return new Uint8Array(0);
  }
}

// ---- Files given: pictures, or a quiz to open.

function readFiles(list) {
  return working(() => readGiven(list));
}

// Only a file's first bytes are read here, for the module to say whether it
// is a quiz: 21 photos read at once took seconds and held 200 MB before the
// first was prepared.
async function readGiven(list) {
  const files = [];
  for (const file of list) {
    const head = await bytesOf(file.slice(0, FormHead));
    files.push({ name: file.name, file, form: call("studio_quiz_form", input(head)) });
  }
  const description = files.find((file) => file.name === DescriptionFile);
  const quizFile = files.find((file) => file.form >= 0 && file.form !== Form.Folder);
  const archives = files.filter((file) => file.form === Form.Folder);
  if (description || quizFile) {
    await (description ? openFolder(description, files) : openQuiz(quizFile));
    return;
  }
  // A quiz folder's .zip opens as the folder; a .zip of no quiz is no picture.
  if (archives.length === 1 && await openQuiz(archives[0])) return;
  if (archives.length > 1) {
    messages.refused(archives.map((file) => `« ${file.name} » : déposez une seule archive .zip ` +
                                            "à la fois."));
  }
  await addFiles(files.filter((file) => !archives.includes(file)));
}

// Takes the problems a call sends, and the rest as call() does.
function problemsTaker(problems) {
  return (field, index, value) => {
    const text = decoder.decode(value);
    if (field === Field.ProblemField) {
      const severity = ["error", "warning", "info"][index];
      problems.push({ field: text, severity, warning: index === 1, message: "", french: "" });
    } else if (field === Field.ProblemMessage) {
      problems[problems.length - 1].message = text;
    } else if (field === Field.ProblemFrench) {
      problems[problems.length - 1].french = text;
    } else {
      sent[field] = value;
    }
  };
}

// The quiz file (or a quiz folder's .zip) opened in place of the one being
// made; whether it opened.
async function openQuiz(file) {
  const bytes = await bytesOf(file.file);
  sent = {};
  const problems = [];
  if (answered(problemsTaker(problems), "studio_open", input(bytes)) < 0) {
    const reason = sent[Field.OpenFailure] ? decoder.decode(sent[Field.OpenFailure]) : "";
    messages.refused([`« ${file.name} » ne s'ouvre pas comme un quiz : ${reason}`,
                      ...problems.map((p) => messages.placeName(p.field) + p.french)]);
    return false;
  }
  await useOpened();
  return true;
}

async function openFolder(description, files) {
  for (const file of files) {
    if (file === description) continue;
    const name = encoder.encode(file.name);
    const bytes = await bytesOf(file.file);
    call("studio_folder_file", name.length, input(name, bytes) - name.length);
  }
  const problems = [];
  if (answered(problemsTaker(problems), "studio_open_folder",
               input(await bytesOf(description.file))) < 0) {
    messages.refused(["Ce dossier de quiz ne s'ouvre pas :",
                      ...problems.map((p) => messages.placeName(p.field) + p.french)]);
    return;
  }
  await useOpened();
}

// The quiz the module just opened, in place of the one being made once the
// maker agrees; its pictures prepared as given ones are (a quiz's own are
// kept as they are).
async function useOpened() {
  const agreed = call("studio_empty") === 1 ||
    confirm("Ouvrir ce quiz à la place du quiz en cours ? Celui-ci sera effacé de ce " +
            "navigateur (téléchargez-le d'abord pour le garder).");
  call("studio_use_opened", agreed ? 1 : 0);
  if (!agreed) return;
  work.clear();
  rows.clear();
  const shown = render();
  changed();
  await prepareAll(shown.pictures.map((picture) => picture.id));
}

// ---- Checks and changes.

// The messages of `brivel check`, each beside the field it names: {errors, problems}.
function check() {
  const problems = [];
  const errors = answered(problemsTaker(problems), "studio_check");
  messages.checked(problems);
  $("blocked").hidden = errors === 0;
  document.querySelectorAll("#export button").forEach((button) => {
    button.disabled = errors !== 0 || !$("stopped").hidden;
  });
  return { errors, problems };
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
  savePending = setTimeout(() => draft.save(), 300);
  preview.update();
}

// The draft's quiz ({record, pictures: id -> {given, stored}, saved}) in the module.
async function restore(kept) {
  if (call("studio_restore", input(kept.record)) < 0) {
    console.error("the draft does not read back: it is left as it is");
    draft.unreadable();
    return;
  }
  const none = new Uint8Array(0);
  for (const { id } of view().pictures) {
    const { given, stored } = kept.pictures.get(id) || {};
    if (!given && !stored) {
      call("studio_remove_picture", id);  // its bytes were never kept
      continue;
    }
    const own = given && given !== stored ? given : none;
    const revision = call("studio_restore_bytes", id, own.length,
                          input(own, stored || none) - own.length);
    if (kept.saved.has(id)) draft.restored(id, revision);
  }
  const shown = render();
  // Those the browser had not finished, or could not read, are tried again.
  await prepareAll(shown.pictures.filter((picture) => !picture.storedSize)
    .map((picture) => picture.id));
}

function startAfresh() {
  call("studio_clear");
  work.clear();
  render();
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

function listen() {
  for (const box of document.querySelectorAll("#quiz [data-text]")) {
    box.addEventListener("input", () => {
      setText(Text[box.dataset.text], 0, box.value);
      changed();
    });
  }
  $("colour").addEventListener("change", async () => {
    call("studio_set_colour", parseInt($("colour").value.slice(1), 16));
    // Transparent areas lie on the quiz colour: those pictures are prepared anew.
    const laid = view().pictures.filter((picture) => picture.onColour);
    await working(() => prepareAll(laid.map((picture) => picture.id)));
    render();
    changed();
  });
  for (const id of ["open", "pick"]) {
    $(id).addEventListener("change", async (event) => {
      await readFiles(Array.from(event.target.files));
      event.target.value = "";
    });
  }
  const drop = $("drop");
  for (const target of [drop, $("pictures")]) {
    target.addEventListener("dragover", (event) => {
      if (rows.dragging()) return;
      event.preventDefault();
      drop.classList.add("over");
    });
    target.addEventListener("dragleave", () => drop.classList.remove("over"));
    target.addEventListener("drop", async (event) => {
      if (rows.dragging()) return;
      event.preventDefault();
      drop.classList.remove("over");
      await readFiles(await droppedFiles(event.dataTransfer));
    });
  }
  document.querySelectorAll("#export button").forEach((button) => {
    button.addEventListener("click", () => downloads.download(button.dataset.form));
  });
  $("new").addEventListener("click", () => {
    if (call("studio_empty") === 1 ||
        confirm("Commencer un nouveau quiz ? Le quiz en cours sera effacé de ce navigateur " +
                "(téléchargez-le d'abord pour le garder).")) {
      startAfresh();
    }
  });
}

// For the tests: the studio driven as the maker would, without dialogs.
window.brivelStudio = {
  write: async (form) => {
    const bytes = await downloads.write(form);
    return bytes ? Array.from(bytes) : null;
  },
  // How long writing form takes, in ms, as a download does.
  timed: async (form) => {
    const started = performance.now();
    return (await downloads.write(form)) ? performance.now() - started : null;
  },
  problems: () => check().problems,
  // Pictures being read or prepared: none once a drop is done.
  busy: () => busy,
  pictures: () => view().pictures.map((p) => ({
    name: p.texts.file, plan: p.unusable ? "" : p.note, failure: p.unusable ? p.note : "",
    stored: p.storedSize })),
  saved: () => draft.save(),
};

async function start() {
  // The draft is read while the module compiles.
  const reading = draft.load();
  const compiled = await WasmModule.compile($("studio-code").textContent);
  library = new WasmModule(compiled, {
    studio: { text: onText, number: onNumber, compose: onCompose, fold: onFold },
  }, "studio_input", stopped);
  call("_initialize");
  threads = PictureThreads(compiled);
  const kept = await draft.awaited(reading);
  if (kept === false) $("unkept").hidden = false;
  render();
  if (kept) await restore(kept);
  listen();
  check();
  performance.mark("brivel-studio-ready");
  document.body.dataset.ready = "1";
  preview.start().catch((error) => {
    console.error("the preview cannot start:", error);
    $("preview").hidden = true;
  });
}

start().catch((error) => {
  console.error(error);
  $("failure").hidden = false;
  document.body.dataset.ready = "0";
});
