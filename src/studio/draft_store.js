// The draft, kept in the browser (IndexedDB) as the maker works: the maker
// library's record of the quiz (its texts and its list of pictures),
// rewritten at each save, and each picture's bytes, a record of their own
// under the picture's id, written again only when the module says they
// changed: a quiz of photos holds tens of megabytes.
//
// studio.record(): {record, revisions}, the module's record and the revision
// of each kept picture's bytes by id; studio.bytes(id): {given, stored}, as
// the module gives them; studio.onItsWay(id): whether the picture is still
// being prepared, its bytes written once it is (a draft read back without
// them drops the picture). kept(yes): told after each save whether the maker
// may count on the draft, which is the last save's answer.
function DraftStore(studio, kept) {
  // Storage that never answers (WebKit never finished a save holding a File;
  // an open may wait on another tab) is told to the maker after this long,
  // and a draft that could not be read is never written over.
  const kWaitMs = 8000;
  let unread = false;
  const savedRevisions = new Map();  // id -> the revision of its bytes in storage
  let savedAt = 0;  // when the last save kept began
  let failedAt = 0;  // when the last save refused, or late, began

  function saveEnded(began, done) {
    if (done) {
      savedAt = Math.max(savedAt, began);
    } else {
      failedAt = Math.max(failedAt, began);
    }
    kept(savedAt >= failedAt);
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

  function answer(request) {
    return new Promise((resolve, reject) => {
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
  }

  async function save() {
    if (unread) return;
    const began = performance.now();
    const late = setTimeout(() => saveEnded(began, false), kWaitMs);
    try {
      const db = await database();
      const { record, revisions } = studio.record();
      // Photos on their way, as given, were 6.7 MB each to copy and store
      // on the page's thread, whose input waited 100 ms and more.
      const written = [...revisions]
        .filter(([id, revision]) => savedRevisions.get(id) !== revision && !studio.onItsWay(id))
        .map(([id, revision]) => [id, revision, studio.bytes(id)]);
      const transaction = db.transaction(["draft", "pictures"], "readwrite");
      const finished = new Promise((resolve, reject) => {
        transaction.oncomplete = resolve;
        transaction.onerror = () => reject(transaction.error);
        transaction.onabort = () => reject(transaction.error);
      });
      transaction.objectStore("draft").put(record, "record");
      transaction.objectStore("draft").delete("quiz");  // the page's own, before the record
      const store = transaction.objectStore("pictures");
      for (const [id, , bytes] of written) store.put(bytes, id);
      for (const id of await answer(store.getAllKeys())) {
        if (!revisions.has(id)) store.delete(id);
      }
      await finished;
      db.close();
      for (const [id, revision] of written) savedRevisions.set(id, revision);
      for (const id of savedRevisions.keys()) {
        if (!revisions.has(id)) savedRevisions.delete(id);
      }
      document.body.dataset.saved = String(Date.now());
      saveEnded(began, true);
    } catch (e) {
      console.warn("the draft is not kept:", e);
      document.body.dataset.saved = "0";
      saveEnded(began, false);  // the maker must not count on the draft
    } finally {
      clearTimeout(late);
    }
  }

  // The draft: {record, pictures: id -> {given, stored}, saved: the ids whose
  // bytes are in storage}, or null for none.
  async function load() {
    try {
      const db = await database();
      const transaction = db.transaction(["draft", "pictures"]);
      const drafts = transaction.objectStore("draft");
      const store = transaction.objectStore("pictures");
      const [keys, values, found, older] = await Promise.all([
        store.getAllKeys(), store.getAll(), drafts.get("record"), drafts.get("quiz")].map(answer));
      db.close();
      const pictures = new Map(keys.map((id, i) => [id, values[i]]));
      let record = found;
      if (!record && older) record = recordOfOlderDraft(older, pictures);
      return record ? { record, pictures, saved: new Set(keys) } : null;
    } catch (e) {
      console.warn("the draft cannot be read:", e);
      return null;
    }
  }

  // The draft being read (load()), once read: null for none, false when
  // storage did not answer in time, and then it is never written over.
  async function awaited(reading) {
    const record = await Promise.race([reading, new Promise((resolve) => {
      setTimeout(() => resolve(false), kWaitMs);
    })]);
    unread = record === false;
    return record;
  }

  return {
    save, load, awaited,
    // A picture's bytes restored from storage, now at that revision.
    restored: (id, revision) => savedRevisions.set(id, revision),
    // The draft read does not restore: it is never written over.
    unreadable() {
      unread = true;
      kept(false);
    },
  };
}

// A draft the page kept before the library's record (its own object: texts
// by name, what no player shows by number, each picture's bytes under its id
// or, at first, in the object), as that record; its pictures' bytes go to
// pictures. Read once: the next save writes the record.
function recordOfOlderDraft(older, pictures) {
  const kept = ["extra_text_1", "extra_text_2", "header", "first_byte", "answers_per_picture",
                "kind", "second_answer", "location", "extra"];
  const numbers = ["header", "first_byte", "answers_per_picture", "kind"];
  // JSON's strings are TOML's basic strings, once whole (no lone surrogate) and DEL escaped.
  const quoted = (value) => JSON.stringify(new TextDecoder().decode(
    new TextEncoder().encode(String(value ?? "")))).replace(/\x7f/g, "\\u007F");
  const line = (key, value) => `${key} = ${numbers.includes(key) ? Number(value) | 0
    : quoted(value)}\n`;
  const keptLines = (values) => Object.entries(values || {})
    .map(([which, value]) => (kept[which] ? line(kept[which], value) : "")).join("");
  const colour = typeof older.colour === "number" ? older.colour : 0x5a5f96;
  let text = line("title", older.title) + line("author", older.author) +
    line("explanation", older.explanation) + keptLines(older.kept) +
    `colour = [${(colour >> 16) & 255}, ${(colour >> 8) & 255}, ${colour & 255}]\n`;
  (older.pictures || []).forEach((picture, i) => {
    const id = Number.isInteger(picture.id) ? picture.id : i + 1;
    if (!Number.isInteger(picture.id)) pictures.set(id, { given: picture.given, stored: picture.stored });
    text += `\n[[picture]]\nid = ${id}\n` + line("file", picture.name) +
      line("answer", picture.answer) + line("code", picture.code) + keptLines(picture.kept) +
      line("note", picture.failure || picture.plan) + (picture.failure ? "unusable = true\n" : "");
  });
  return new TextEncoder().encode(text);
}
