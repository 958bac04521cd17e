// The pictures' rows: each picture's thumbnail, name, what its preparation
// did, its texts (each box names its key in data-text), a field to try an
// answer in, and dragging to change the order. The rows show the module's
// pictures as its view gives them (render) and send each edit to the page's
// owner: edits.text(id, key, text), edits.remove(id), edits.move(id, to),
// edits.grade(id, typed), the verdict, and edits.stored(id), the bytes its
// thumbnail shows.
function Rows(list, template, edits) {
  let dragged = null;

  function rowOf(index) {
    return list.children[index];
  }

  function indexOf(row) {
    return Array.prototype.indexOf.call(list.children, row);
  }

  const idOf = (row) => Number(row.dataset.id);

  function render(pictures) {
    while (list.children.length > pictures.length) list.lastElementChild.remove();
    while (list.children.length < pictures.length) {
      const row = template.content.firstElementChild.cloneNode(true);
      listen(row);
      list.append(row);
    }
    pictures.forEach((picture, index) => {
      const row = rowOf(index);
      row.dataset.id = picture.id;
      row.querySelector(".name").textContent = picture.texts.file;
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
      const thumb = row.querySelector(".thumb");
      const shown = picture.storedSize ? `${picture.id}:${picture.revision}` : "";
      if (thumb.dataset.of !== shown) {
        if (thumb.src) URL.revokeObjectURL(thumb.src);
        const stored = shown ? edits.stored(picture.id) : null;
        if (stored) {
          thumb.src = URL.createObjectURL(new Blob([stored]));
        } else {
          thumb.removeAttribute("src");
        }
        thumb.dataset.of = shown;
      }
    });
  }

  function tryAnswer(row) {
    const typed = row.querySelector(".typed").value;
    row.querySelector(".verdict").textContent = typed ? edits.grade(idOf(row), typed) : "";
  }

  function listen(row) {
    for (const box of row.querySelectorAll("[data-text]")) {
      box.addEventListener("input", () => {
        edits.text(idOf(row), box.dataset.text, box.value);
        tryAnswer(row);
      });
    }
    row.querySelector(".typed").addEventListener("input", () => tryAnswer(row));
    row.querySelector(".remove").addEventListener("click", () => {
      row.remove();
      edits.remove(idOf(row));
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
      const [from, to] = [indexOf(dragged), indexOf(row)];
      list.insertBefore(dragged, from < to ? row.nextSibling : row);
      edits.move(idOf(dragged), to);
    });
  }

  return {
    render, rowOf, indexOf,
    count: () => list.children.length,
    // Whether a row is being dragged: not a drop of files.
    dragging: () => dragged !== null,
    // Rows for another quiz: none of the last one's is kept.
    clear: () => list.replaceChildren(),
  };
}
