// Brivel Studio's page: the quiz as the page holds it, every change made to
// it (the maker's edits, a quiz opened, pictures prepared), and the start.
// Everything about the quiz (its checks, picture preparation, the forms it
// is written in) is the maker library's, in the WebAssembly module; the
// files before this one show it (rows.js, messages.js, preview.js), keep it
// (draft_store.js), write it (downloads.js), and run the browser's codecs
// (picture_codecs.js, picture_threads.js, zip_reader.js).
const $ = (id) => document.getElementById(id);
const encoder = new TextEncoder();
const decoder = new TextDecoder();
let library = null;  // the maker library's module, a WasmModule

// What the module last sent, per field: cleared before each call.
let sent = {};
let problems = [];

// The draft, as the page keeps it: the same as the module's quiz.
// kept: what an opened quiz holds that no player shows, by Kept.
const quiz = { title: "", author: "", explanation: "", colour: 0x5a5f96, kept: {}, pictures: [] };

const draft = DraftStore((kept) => { $("unkept").hidden = kept; });
const rows = Rows($("rows"), $("row"), {
  answer(index, text) {
    quiz.pictures[index].answer = text;
    setText(Text.Answer, index, text);
    changed();
  },
  code(index, text) {
    quiz.pictures[index].code = text;
    setText(Text.Code, index, text);
    changed();
  },
  remove(index) {
    call("studio_remove_picture", index);
    quiz.pictures.splice(index, 1);
    changed();
  },
  move(from, to) {
    call("studio_move_picture", from, to);
    const [moved] = quiz.pictures.splice(from, 1);
    quiz.pictures.splice(to, 0, moved);
    changed();
  },
  grade(index, typed) {
    call("studio_grade", index, input(encoder.encode(typed)));
    return sent[Field.Verdict] ? decoder.decode(sent[Field.Verdict]) : "";
  },
});
const messages = Messages(rows.rowOf);
const downloads = Downloads({
  written(form, player) {
    return call("studio_write", Form[form], input(player)) === 0 ? sent[Field.Output] : null;
  },
  title: () => quiz.title,
});
const preview = Preview({
  pictures: () => quiz.pictures,
  busy: () => busy,
  bundle(withPictures) {
    // Called between another call and its reading of what the module sent.
    const before = sent;
    const made = call("studio_preview", withPictures ? 1 : 0) === 0 ? sent[Field.Output] : null;
    sent = before;
    return made;
  },
  page: () => downloads.player("Web"),
  rowIndex: rows.indexOf,
});
let threads = null;  // PictureThreads, once the module is compiled

// ---- The module's imports (studio_imports.h), and the calls into it.

let describeInto = null;
function onText(field, index, at, length) {
  if (describeInto) return describeInto(field, index, at, length);
  const bytes = library.bytes(at, length).slice();
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

// The bytes copied into the module's input: where they are.
function inputAt(bytes) {
  const target = library.input(bytes);
  if (!target) throw new Error("la mémoire du navigateur est pleine");
  return target.byteOffset;
}

// The same, for the calls that take the input's size.
function input(bytes) {
  inputAt(bytes);
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

function setText(text, index, value) {
  call("studio_set_text", text, index, input(encoder.encode(value)));
}

// ---- Pictures: the browser decodes and encodes, the module decides.

// The picture's bytes with its EXIF orientation hidden, the module's own:
// good until the next call into it. The browser then decodes the pixels as
// stored, and the module turns them as pack does.
function orientationHidden(bytes) {
  const at = inputAt(bytes);
  call("studio_hide_orientation");
  return library.bytes(at, bytes.length);
}

// The picture prepared on a thread, from its file (whose bytes come back as
// its given ones) or from its bytes as given: {prepared, tried}, tried
// telling whether the thread tried the browser's decoder on one it could
// not prepare.
async function preparedOnThread(picture, file) {
  const turn = picture.turn = (picture.turn || 0) + 1;
  const colour = quiz.colour;
  const reply = await threads.prepare({ file, given: picture.given, colour });
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

// What preparing the picture needs of the browser, or null when a thread
// prepared it: a JPEG's pixels at the size the module asks for; none for a
// PNG, which the module decodes, or a file it cannot read (studio_prepare
// then says why).
async function decoded(picture) {
  const none = { width: 0, height: 0, pixels: new Uint8Array(0) };
  const file = picture.file;
  picture.file = null;
  let tried = false;
  if ((file || picture.given) && threads.started()) {
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
    return await decodePixels(() => orientationHidden(picture.given), sent[Field.DecodeWidth],
                              sent[Field.DecodeHeight], !tried);
  } catch (e) {
    return none;  // the module says why it cannot be prepared
  }
}

// Prepares the picture as `brivel pack` would from what decoded() gave:
// its stored bytes, or nothing with the reason on the picture. Its place is
// looked up at each call into the module, since others change meanwhile;
// of two preparations of one picture (the colour changed twice), the last
// begun is kept.
async function prepare(picture, image) {
  const at = () => quiz.pictures.indexOf(picture);
  if (!image || at() < 0) return;  // prepared on a thread, or removed meanwhile
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
  rows.render(quiz.pictures);
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
                      code: "", plan: "", failure: "", fileName: "", ...draft.unsaved() };
    quiz.pictures.push(picture);
    added.push(picture);
  }
  rows.render(quiz.pictures);
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
    messages.refused(archives.map((file) => `« ${file.name} » est une archive .zip sans quiz : ` +
                     "décompressez-la, puis ouvrez ou déposez ici les fichiers de son dossier."));
  }
  await addFiles(files.filter((file) => !archives.includes(file)));
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

async function openQuiz(file) {
  if (call("studio_open", input(file.bytes)) < 0) {
    const reason = sent[Field.OpenFailure] ? decoder.decode(sent[Field.OpenFailure]) : "";
    messages.refused([`« ${file.name} » ne s'ouvre pas comme un quiz : ${reason}`]);
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
    messages.refused(["Ce dossier de quiz ne s'ouvre pas :",
                      ...problems.map((p) => messages.placeName(p.field) + p.french)]);
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
    fileName: "", ...draft.unsaved() });
  const describing = (field, index, at, length) => {
    const bytes = library.bytes(at, length).slice();
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
  rows.clear();
  rows.render(quiz.pictures);
  await prepareAll(pictures);
}

// ---- Checks and changes.

// The messages of `brivel check`, each beside the field it names.
function check() {
  problems = [];
  const errors = call("studio_check");
  messages.checked(problems);
  $("blocked").hidden = errors === 0;
  document.querySelectorAll("#export button").forEach((button) => {
    button.disabled = errors !== 0 || !$("stopped").hidden;
  });
  return errors;
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
  savePending = setTimeout(() => draft.save(quiz), 300);
  preview.update();
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
  for (const keptPicture of kept.pictures || []) {
    if (!keptPicture.given) continue;
    const picture = draft.restored(keptPicture);
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
  rows.render(quiz.pictures);
  // Those the browser had not finished, or could not read, are tried again.
  await prepareAll(quiz.pictures.filter((picture) => !picture.stored));
}

function showQuizFields() {
  $("title").value = quiz.title;
  $("author").value = quiz.author;
  $("explanation").value = quiz.explanation;
  $("colour").value = "#" + quiz.colour.toString(16).padStart(6, "0");
}

function startAfresh() {
  call("studio_clear");
  quiz.title = quiz.author = quiz.explanation = "";
  quiz.colour = 0x5a5f96;
  quiz.kept = {};
  quiz.pictures = [];
  call("studio_set_colour", quiz.colour);
  showQuizFields();
  rows.render(quiz.pictures);
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
    rows.render(quiz.pictures);
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
    if (quiz.pictures.length === 0 && !quiz.title && !quiz.author) return startAfresh();
    if (confirm("Commencer un nouveau quiz ? Le quiz en cours sera effacé de ce navigateur " +
                "(téléchargez-le d'abord pour le garder).")) {
      startAfresh();
    }
    return undefined;
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
  saved: () => draft.save(quiz),
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
  if (kept === false) {
    $("unkept").hidden = false;
  } else if (kept) {
    await restore(kept);
  }
  call("studio_set_colour", quiz.colour);
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
