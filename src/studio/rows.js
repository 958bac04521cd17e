// The pictures' rows: each picture's thumbnail, name, what its preparation
// did, its answer and step of the code, a field to try an answer in, and
// dragging to change the order. The rows show the quiz (render) and send
// each edit to its owner: edits.answer(index, text), edits.code(index,
// text), edits.remove(index), edits.move(from, to), and edits.grade(index,
// typed), the verdict.
function Rows(list, template, edits) {
  let dragged = null;

  function rowOf(index) {
    return list.children[index];
  }

  function indexOf(row) {
    return Array.prototype.indexOf.call(list.children, row);
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

  function tryAnswer(row) {
    const typed = row.querySelector(".typed").value;
    row.querySelector(".verdict").textContent = typed ? edits.grade(indexOf(row), typed) : "";
  }

  function listen(row) {
    row.querySelector(".answer").addEventListener("input", (event) => {
      edits.answer(indexOf(row), event.target.value);
      tryAnswer(row);
    });
    row.querySelector(".code").addEventListener("input", (event) => {
      edits.code(indexOf(row), event.target.value);
    });
    row.querySelector(".typed").addEventListener("input", () => tryAnswer(row));
    row.querySelector(".remove").addEventListener("click", () => {
      const index = indexOf(row);
      row.remove();
      edits.remove(index);
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
      edits.move(from, to);
    });
  }

  return {
    render, rowOf, indexOf,
    // Whether a row is being dragged: not a drop of files.
    dragging: () => dragged !== null,
    // Rows for another quiz: none of the last one's is kept.
    clear: () => list.replaceChildren(),
  };
}
