// The pictures' rows: each picture's thumbnail, name, state, what its
// preparation did, its texts (each box names its key in data-text), a field
// to try an answer in, and the buttons and dragging that move or remove it.
// Every control names its picture, and each box is described by its
// messages. The rows show the module's pictures as its view gives them
// (render) and send each edit to the page's owner: edits.text(id, key,
// text), edits.remove(id), edits.move(id, to), edits.grade(id, typed), the
// verdict, and edits.stored(id), the bytes its thumbnail shows.
function Rows(list, template, edits) {
  let dragged = null;

  // A picture's state as its row says it.
  const kStates = { waiting: "en attente", preparing: "en préparation", ready: "prête",
                    refused: "refusée" };

  function rowOf(index) {
    return list.children[index];
  }

  function indexOf(row) {
    return Array.prototype.indexOf.call(list.children, row);
  }

  const idOf = (row) => Number(row.dataset.id);
  const rowOfId = (id) => list.querySelector(`:scope > [data-id="${id}"]`);

  function showState(row, state) {
    const line = row.querySelector(".state");
    const text = "État : " + kStates[state];
    if (line.textContent !== text) line.textContent = text;
    line.className = "state " + state;
  }

  // The messages' places named after the picture, each box described by its own.
  function name(row, id) {
    for (const place of row.querySelectorAll(".messages")) {
      place.id = `picture-${id}-${place.dataset.for}`;
      const box = row.querySelector(`[data-text="${place.dataset.for}"]`);
      if (box) box.setAttribute("aria-describedby", place.id);
    }
    row.querySelector(".name").setAttribute("aria-describedby", `picture-${id}-file`);
  }

  function render(pictures) {
    while (list.children.length > pictures.length) list.lastElementChild.remove();
    while (list.children.length < pictures.length) {
      const row = template.content.firstElementChild.cloneNode(true);
      listen(row);
      list.append(row);
    }
    pictures.forEach((picture, index) => {
      const row = rowOf(index);
      if (row.dataset.id !== String(picture.id)) {
        row.dataset.id = picture.id;
        name(row, picture.id);
      }
      row.querySelector(".name").textContent = picture.texts.file;
      for (const whose of row.querySelectorAll(".whose")) {
        whose.textContent = ` de « ${picture.texts.file} »`;
      }
      row.querySelector(".up").disabled = index === 0;
      row.querySelector(".down").disabled = index === pictures.length - 1;
      showState(row, picture.state);
      const plan = row.querySelector(".plan");
      plan.textContent = picture.unusable ? "Cette image ne peut pas entrer dans le quiz : " +
        picture.note : picture.note === "gardée telle quelle" ? "" : picture.note;
      plan.classList.toggle("error", Boolean(picture.unusable));
      for (const box of row.querySelectorAll("[data-text]")) {
        const text = picture.texts[box.dataset.text] ?? "";
        if (box.value !== text) box.value = text;
      }
      // Only once prepared: a phone's photo as given would be decoded whole,
      // some 50 MB for each row.
      const thumb = row.querySelector(".thumb img");
      const shown = picture.storedSize ? `${picture.id}:${picture.revision}` : "";
      if (thumb.dataset.of !== shown) {
        if (thumb.src) URL.revokeObjectURL(thumb.src);
        const stored = shown ? edits.stored(picture.id) : null;
        if (stored) {
          thumb.src = URL.createObjectURL(new Blob([stored]));
        } else {
          thumb.removeAttribute("src");
        }
        thumb.hidden = !stored;
        thumb.dataset.of = shown;
      }
    });
  }

  function tryAnswer(row) {
    const typed = row.querySelector(".typed").value;
    row.querySelector(".verdict").textContent = typed ? edits.grade(idOf(row), typed) : "";
  }

  // The focus, after a row moved or went, on that control of the row now at index.
  function focusAt(index, control) {
    const row = rowOf(Math.min(index, list.children.length - 1));
    const target = row && (row.querySelector(control + ":not(:disabled)") ||
                           row.querySelector(".remove"));
    if (target) {
      target.focus();
    } else {
      edits.emptied();
    }
  }

  function moveBy(row, step, control) {
    const to = indexOf(row) + step;
    if (to < 0 || to >= list.children.length) return;
    edits.move(idOf(row), to);
    focusAt(to, control);
  }

  function listen(row) {
    for (const box of row.querySelectorAll("[data-text]")) {
      box.addEventListener("input", () => {
        edits.text(idOf(row), box.dataset.text, box.value);
        tryAnswer(row);
      });
    }
    row.querySelector(".typed").addEventListener("input", () => tryAnswer(row));
    row.querySelector(".up").addEventListener("click", () => moveBy(row, -1, ".up"));
    row.querySelector(".down").addEventListener("click", () => moveBy(row, 1, ".down"));
    row.querySelector(".remove").addEventListener("click", () => {
      const index = indexOf(row);
      row.remove();
      edits.remove(idOf(row));
      focusAt(index, ".remove");
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
      edits.move(idOf(dragged), indexOf(row));
    });
  }

  return {
    render, rowOf, indexOf,
    count: () => list.children.length,
    // A picture's state shown at once, before the view is drawn again.
    state: (id, state) => {
      const row = rowOfId(id);
      if (row) showState(row, state);
    },
    // The row where a problem's field (its picture's place, its key) is, to bring into sight.
    field: (index, key) => {
      const row = rowOf(index);
      return row && (row.querySelector(`[data-text="${key}"]`) || row.querySelector(".name"));
    },
    // Whether a row is being dragged: not a drop of files.
    dragging: () => dragged !== null,
    // Rows for another quiz: none of the last one's is kept.
    clear: () => list.replaceChildren(),
  };
}
