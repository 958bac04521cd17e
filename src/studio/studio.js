// Brivel Studio's page: the start, and every change made to the quiz (the
// maker's edits, a quiz opened, pictures prepared). The quiz is the maker
// library's, in the WebAssembly module, which checks it, prepares its
// pictures and writes every form: the page holds no copy of it, but sends
// the module each edit and asks it for what to show after each change. The
// files before this one show it (rows.js, messages.js, summary.js,
// preview.js), keep it (draft_store.js), write it (downloads.js), and run
// the browser's codecs (picture_codecs.js, picture_threads.js).
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
// is read, its turn, so that of two preparations of it (the colour changed
// twice) the last begun is kept, and its state while it is on its way
// ("waiting", "preparing"; none once done).
const work = new Map();
function jobOf(id) {
  if (!work.has(id)) work.set(id, { file: null, turn: 0, state: null });
  return work.get(id);
}

// The pictures on their way and those done since the first of them was given.
const onTheirWay = { ids: new Set(), done: 0 };

// A picture's state; none once done (a picture removed meanwhile is neither).
function setState(id, state) {
  if (state) {
    jobOf(id).state = state;
    onTheirWay.ids.add(id);
  } else if (onTheirWay.ids.delete(id)) {
    jobOf(id).state = null;
    ++onTheirWay.done;
  }
  rows.state(id, state || "ready");
  showProgress();
}

function showProgress() {
  if (onTheirWay.ids.size === 0) onTheirWay.done = 0;
  summary.progress(onTheirWay.done, onTheirWay.done + onTheirWay.ids.size);
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
  onItsWay: (id) => onTheirWay.ids.has(id),
}, (kept) => { $("unkept").hidden = kept; });
const rows = Rows($("rows"), $("row"), {
  text(id, key, text) {
    setText(Text[key], id, text);
    changed();
  },
  remove(id) {
    const index = view().pictures.findIndex((picture) => picture.id === id);
    undone.push({ taken: taken(id), index });
    call("studio_remove_picture", id);
    onTheirWay.ids.delete(id);  // on its way no more, nor done
    showProgress();
    render();
    changed();
    offerUndo();
  },
  move(id, to) {
    const from = view().pictures.findIndex((picture) => picture.id === id);
    if (from === to) return;
    undone.push({ id, from });
    call("studio_move_picture", id, to);
    render();
    changed();
    offerUndo();
  },
  emptied: () => $("choose").focus(),
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
  tar(name, bytes) {
    const now = Date.now() / 1000;
    const named = encoder.encode(name);
    return call("studio_tar", named.length, input(named, bytes) - named.length, now) === 0
      ? sent[Field.Output] : null;
  },
  // Why the last write gave nothing, in the module's words.
  failure: () => (sent[Field.OpenFailure] ? decoder.decode(sent[Field.OpenFailure]) : ""),
  title: () => view().texts.title,
});
const summary = Summary({
  whereOf: messages.whereOf,
  placeName: messages.placeName,
  async download(form) {
    summary.say(await downloads.download(form));
  },
  undo,
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
    summary.shut(kStopped);
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
  for (const picture of shown.pictures) {
    picture.state = work.get(picture.id)?.state ||
      (picture.storedSize ? "ready" : "refused");
  }
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
// given; read: its bytes, read here and handed over) or its bytes as given:
// {prepared, tried, given}, tried telling whether the thread tried the
// browser's decoder on one it could not prepare, given the file's bytes then.
async function preparedOnThread(id, file, given, decoded, read = null) {
  const job = jobOf(id);
  const turn = ++job.turn;
  const colour = library.call("studio_colour");
  const reply = await threads.prepare({ file, read, given, colour, decoded });
  // A photo's bytes went to the decoder: prepared, they are its stored bytes.
  const back = file ? reply.given || (reply.prepared ? null : await bytesOf(file)) : given;
  if (!reply.prepared) return { prepared: false, tried: Boolean(reply.tried), given: back };
  const stored = reply.stored instanceof Blob ? await bytesOf(reply.stored) : reply.stored;
  if (job.turn !== turn) return { prepared: true };  // prepared anew meanwhile
  const plan = encoder.encode(reply.plan);
  const kept = file && back ? back : new Uint8Array(0);
  const status = call("studio_stored", id, plan.length, kept.length,
                      input(plan, kept, stored) - plan.length - kept.length);
  if (status < 0) return { prepared: true };  // removed meanwhile
  picturePrepared(id);
  // The colour changed meanwhile: laid on the new one.
  if (status === 1 && library.call("studio_colour") !== colour) await prepareAll([id]);
  return { prepared: true };
}

// What preparing the picture needs of the browser, or null when a thread
// prepared it: a JPEG's pixels at the size the module asks for, another
// kind's whole; none for a PNG, which the module decodes, or a file it cannot
// read (studio_prepare then says why).
async function decoded(id) {
  const none = { width: 0, height: 0, pixels: new Uint8Array(0) };
  const job = jobOf(id);
  let file = job.file;
  job.file = null;
  let given = file ? null : givenOf(id);
  let tried = false;
  const threaded = Boolean(file || given) && threads.started();
  let image = null;
  let read = null;
  if (threaded && !threads.decodesOthers) {
    // The threads read no Blob and decode no picture of another kind than
    // JPEG and PNG (WebKitGTK): the page reads the file for them, and decodes
    // such a picture. A photo's bytes go to the thread untouched: taken into
    // the page's module, then stored in the draft, they held input 100 ms.
    if (file) read = await bytesOf(file);
    if (read && !isJpeg(read) && !isPng(read)) {
      given = read;
      read = null;
      file = null;
      if (call("studio_given", id, input(given)) < 0) return none;
    }
    if (!read && call("studio_plan", id) === 2) {
      image = await wholeOrWhy(given, decoder.decode(sent[Field.Kind]));
      if (image.width <= 0) return image;  // the module says why
    }
  }
  if (threaded) {
    const done = await preparedOnThread(id, file, given, image, read);
    if (done.prepared) return null;
    ({ tried, given } = done);
  } else if (file) {
    given = await bytesOf(file);
  }
  if (file && call("studio_given", id, input(given)) < 0) return none;
  const kind = given ? call("studio_plan", id) : -1;
  if (kind === 2) return wholeOrWhy(given, decoder.decode(sent[Field.Kind]));
  if (kind !== 1) return none;
  try {
    return await decodePixels(() => orientationHidden(given), sent[Field.DecodeWidth],
                              sent[Field.DecodeHeight], !tried);
  } catch (e) {
    return none;  // the module says why it cannot be prepared
  }
}

// A picture of another kind (WebP, GIF ...) decoded whole, or why not: none
// when it is damaged, -1 x 0 when the browser decodes no picture of its kind.
async function wholeOrWhy(given, kind) {
  try {
    return await decodeWhole(given);
  } catch (e) {
    const read = await readsKind(kind);
    return { width: read ? 0 : -1, height: 0, pixels: new Uint8Array(0) };
  }
}

// Prepares the picture as `brivel pack` would from what decoded() gave: the
// module keeps its stored bytes, or the reason it cannot. On the page's
// thread, preparing and encoding are each a task of their own, which input
// runs between.
async function prepare(id, image) {
  if (!image) return;  // prepared on a thread
  const job = jobOf(id);
  const turn = ++job.turn;
  await nextTask();
  input(image.pixels);
  if (call("studio_prepare", id, image.width, image.height) === 1) {
    const encoded = [sent[Field.EncodeWidth], sent[Field.EncodeHeight], sent[Field.EncodePixels]];
    await nextTask();
    const stored = await encodeJpeg(...encoded);
    if (job.turn !== turn) return;
    call("studio_stored", id, 0, 0, input(stored));
  }
  picturePrepared(id);
}

// A picture prepared anew, or found not to be preparable: the screen, the
// checks and the draft take it.
function picturePrepared(id) {
  setState(id, null);
  render();
  changed();
}

// Four pictures at a time are read and decoded (on the page's threads,
// prepared and encoded too) while the page's module prepares those that
// came back and the browser encodes them: each stage waits only for its
// own, and each picture is decoded at the size it is stored from. Where the
// page decodes (no threads), two: more at once held input for 200 to 700 ms
// in WebKitGTK, one at a time took a fifth longer.
async function prepareAll(ids) {
  const ahead = threads.started() ? 4 : 2;
  for (const id of ids) setState(id, "waiting");
  const begun = (id) => {
    if (work.has(id)) setState(id, "preparing");  // not removed meanwhile
    return decoded(id);
  };
  const decoding = ids.slice(0, ahead).map(begun);
  const finishing = [];
  for (let i = 0; i < ids.length; ++i) {
    const image = await decoding[i];
    decoding[i] = null;
    if (i + ahead < ids.length) decoding.push(begun(ids[i + ahead]));
    finishing.push(prepare(ids[i], image).finally(() => {
      if (work.get(ids[i])?.state) finished(ids[i]);
    }));
  }
  await Promise.all(finishing);
}

// A picture no longer on its way: its row and the checks say what it became.
function finished(id) {
  setState(id, null);
  render();
  changed();
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
    jobOf(id).state = "waiting";
    added.push(id);
  }
  if (added.length === 0) return;  // what was refused stays said
  render();
  changed();
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
    messages.refused(archives.map((file) => `« ${file.name} » : ouvrez une seule archive .zip ` +
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
  forgetWork();
  rows.clear();
  const shown = render();
  changed();
  await prepareAll(shown.pictures.map((picture) => picture.id));
}

// ---- Checks and changes.

// The messages of `brivel check`, each beside the field it names, but for
// the files of pictures still on their way, which are not ready yet and
// will say so once done: {errors, problems}.
function check() {
  const found = [];
  answered(problemsTaker(found), "studio_check");
  const waiting = onTheirWay.ids.size;
  const ids = waiting ? view().pictures.map((picture) => picture.id) : [];
  const problems = found.filter((problem) => {
    const file = waiting && /^picture\[(\d+)\]\.file$/.exec(problem.field);
    return !file || !onTheirWay.ids.has(ids[Number(file[1]) - 1]);
  });
  messages.checked(problems);
  const errors = problems.filter((problem) => problem.severity === "error").length;
  summary.checked(problems, !$("stopped").hidden ? kStopped
    : waiting ? `Attendez la fin de la préparation des images (encore ${waiting}).`
    : errors ? `Corrigez d'abord ${errors > 1 ? "les erreurs" : "l'erreur"}.` : "");
  return { errors, problems };
}

const kStopped = "Brivel Studio s'est arrêté : rechargez la page pour reprendre votre quiz.";

// ---- Undo: each removal ({taken, index}) or move ({id, from}), the last first.

const undone = [];

// A picture as removing it loses it: its texts, note, bytes and work.
function taken(id) {
  const picture = view().pictures.find((p) => p.id === id);
  const bytes = answersOf("studio_bytes", id, 3);
  const job = work.get(id);
  work.delete(id);
  return { picture, given: bytes[Field.Given] || null, stored: bytes[Field.Stored] || null,
           file: job?.state ? job.file : null };
}

function offerUndo() {
  const last = undone[undone.length - 1];
  const what = !last ? "" : last.taken ? `retrait de « ${last.taken.picture.texts.file} »`
    : "déplacement";
  summary.undoable(what);
  if (what) summary.say(`Fait. Pour l'annuler : « Annuler » en bas de page, ou Ctrl+Z.`);
}

// The picture removed last put back where it was, under a new id, which the
// moves before its removal then name.
async function putBack({ taken: { picture, given, stored, file }, index }) {
  const name = encoder.encode(picture.texts.file);
  const id = call("studio_add_picture", name.length, input(name) - name.length);
  if (id < 0) throw new Error("the module takes no more pictures");
  for (const entry of undone) {
    if (entry.id === picture.id) entry.id = id;
  }
  for (const [key, text] of Object.entries(picture.texts)) {
    if (key !== "file") setText(Text[key], id, text);
  }
  const note = encoder.encode(picture.note);
  if (stored) {
    call("studio_stored", id, note.length, given ? given.length : 0,
         input(note, given || new Uint8Array(0), stored) - note.length - (given?.length || 0));
  } else if (given) {
    call("studio_given", id, input(given));
  }
  call("studio_move_picture", id, index);
  jobOf(id).file = file;
  render();
  changed();
  rows.rowOf(index)?.querySelector(".name").focus();
  if (!stored) await working(() => prepareAll([id]));
}

async function undo() {
  const last = undone.pop();
  if (!last) return;
  if (last.taken) {
    await putBack(last);
  } else {
    call("studio_move_picture", last.id, last.from);
    render();
    changed();
    rows.rowOf(last.from)?.querySelector(".name").focus();
  }
  offerUndo();
  summary.say(last.taken ? `« ${last.taken.picture.texts.file} » est revenue.`
    : "Déplacement annulé.");
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
  const lost = [];
  for (const { id, texts } of view().pictures) {
    const { given, stored } = kept.pictures.get(id) || {};
    if (!given && !stored) {
      // Its bytes were never kept: added, or still being prepared, as the page closed.
      lost.push(`« ${texts.file} »`);
      call("studio_remove_picture", id);
      continue;
    }
    const own = given && given !== stored ? given : none;
    const revision = call("studio_restore_bytes", id, own.length,
                          input(own, stored || none) - own.length);
    if (kept.saved.has(id)) draft.restored(id, revision);
  }
  if (lost.length) {
    summary.say(lost.length > 1
      ? `${lost.join(", ")} n'étaient pas encore gardées quand la page s'est fermée : ajoutez-les de nouveau.`
      : `${lost[0]} n'était pas encore gardée quand la page s'est fermée : ajoutez-la de nouveau.`);
  }
  const shown = render();
  // Those the browser had not finished, or could not read, are tried again.
  await prepareAll(shown.pictures.filter((picture) => !picture.storedSize)
    .map((picture) => picture.id));
}

// No picture on its way nor anything to undo: another quiz begins.
function forgetWork() {
  work.clear();
  onTheirWay.ids.clear();
  showProgress();
  undone.length = 0;
  offerUndo();
}

function startAfresh() {
  call("studio_clear");
  forgetWork();
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
  summary.listen();
  $("choose").addEventListener("click", () => $("pick").click());
  $("open-button").addEventListener("click", () => $("open").click());
  // Ctrl+Z takes back a removal or a move, but not in a text box, which has its own.
  document.addEventListener("keydown", (event) => {
    if ((event.ctrlKey || event.metaKey) && !event.shiftKey && event.key.toLowerCase() === "z" &&
        !event.target.matches("input:not([type=button]), textarea") && undone.length) {
      event.preventDefault();
      undo();
    }
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
