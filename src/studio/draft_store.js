// The draft, kept in the browser (IndexedDB) as the maker works. The quiz's
// texts and its list of pictures are one record, rewritten at each save;
// each picture's bytes one record of their own, under the picture's id,
// written once they are prepared and again only when they change: a quiz of
// photos holds tens of megabytes. A picture still being prepared is left
// out, its file as given written only to be replaced.
//
// kept(yes): told after each save whether the maker may count on the draft,
// which is the last save's answer.
function DraftStore(kept) {
  // Storage that never answers (WebKit never finished a save holding a File;
  // an open may wait on another tab) is told to the maker after this long,
  // and a draft that could not be read is never written over.
  const kWaitMs = 8000;
  let unread = false;
  let nextId = 1;
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

  // A new picture's id, and its bytes not saved (changes: how often they were
  // prepared, saved: at which of those they were last written).
  function unsaved() {
    return { id: nextId++, changes: 0, saved: 0 };
  }

  // A picture of the draft read back, as the page holds it: its bytes are in
  // the draft's records, or (a draft of the first version) written there at
  // the next save.
  function restored(picture) {
    const own = Number.isInteger(picture.id);
    const made = Object.assign({ fileName: "" }, picture, own ? {} : unsaved(),
                               { changes: 1, saved: own ? 1 : 0 });
    nextId = Math.max(nextId, made.id + 1);
    return made;
  }

  async function save(quiz) {
    if (unread) return;
    const began = performance.now();
    const late = setTimeout(() => saveEnded(began, false), kWaitMs);
    try {
      const db = await database();
      const pictures = quiz.pictures.filter((p) => p.changes > 0);
      const record = {
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
      transaction.objectStore("draft").put(record, "quiz");
      const store = transaction.objectStore("pictures");
      for (const [p] of written) store.put({ given: p.given, stored: p.stored }, p.id);
      const ids = new Set(pictures.map((p) => p.id));
      for (const id of await answer(store.getAllKeys())) {
        if (!ids.has(id)) store.delete(id);
      }
      await finished;
      db.close();
      for (const [p, changes] of written) p.saved = changes;
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

  async function load() {
    try {
      const db = await database();
      const transaction = db.transaction(["draft", "pictures"]);
      const record = await answer(transaction.objectStore("draft").get("quiz"));
      for (const picture of record ? record.pictures || [] : []) {
        // A draft of the first version held the bytes in its one record.
        if (!Number.isInteger(picture.id)) continue;
        Object.assign(picture, await answer(transaction.objectStore("pictures").get(picture.id)));
      }
      db.close();
      return record || null;
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

  return { unsaved, restored, save, load, awaited };
}
