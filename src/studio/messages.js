// The maker library's messages, each beside the field it names, which they
// describe (and mark invalid for an error): those of `brivel check`, and why
// a quiz given does not open. rowOf(index): the row of a picture, where its
// messages go.
function Messages(rowOf) {
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

  // Where a problem is, in the maker's words, for messages shown apart from their field.
  function placeName(field) {
    const picture = /^picture\[(\d+)\]/.exec(field);
    if (picture) return `Image ${picture[1]} : `;
    return { title: "Titre : ", author: "Auteur : ", explanation: "Explication : " }[field] || "";
  }

  function placeOf(field) {
    const picture = /^picture\[(\d+)\]\.(\w+)$/.exec(field);
    const row = picture && rowOf(Number(picture[1]) - 1);
    if (row) {
      return row.querySelector(`.messages[data-for="${picture[2]}"]`) ||
        row.querySelector('.messages[data-for="file"]');
    }
    return document.querySelector(`.messages[data-for="${field}"]`) ||
      document.querySelector('.messages[data-for=""]');
  }

  // The control a place's messages describe: where the maker mends them.
  function fieldOf(place) {
    return document.querySelector(`[aria-describedby~="${place.id}"]:not(button)`) ||
      (place.dataset.for === "picture" ? document.getElementById("choose") : place);
  }

  function marked(place, lines) {
    const field = fieldOf(place);
    if (field.tagName !== "INPUT") return;
    if (lines.some(([kind]) => kind === "error")) {
      field.setAttribute("aria-invalid", "true");
    } else {
      field.removeAttribute("aria-invalid");
    }
  }

  // The problems of a check ({field, warning, french}), in place of the last one's.
  function checked(problems) {
    const lines = new Map();
    for (const problem of problems) {
      const place = placeOf(problem.field);
      if (!lines.has(place)) lines.set(place, []);
      lines.get(place).push(problem.severity === "info" ? ["info", problem.french]
        : problem.warning ? ["warning", "Attention : " + problem.french]
        : ["error", "Erreur : " + problem.french]);
    }
    const drawn = new Map([...lines].map(([place, texts]) => [place, texts.join("\n")]));
    for (const place of showing.keys()) {
      if (drawn.has(place) || !place.isConnected) continue;
      place.replaceChildren();
      marked(place, []);
    }
    for (const [place, texts] of drawn) {
      if (showing.get(place) === texts) continue;
      showLines(place, lines.get(place));
      marked(place, lines.get(place));
    }
    showing = drawn;
  }

  // Why what was given does not open (lines), shown until the next check.
  function refused(text) {
    const place = document.querySelector('.messages[data-for="picture"]');
    showLines(place, text.map((line) => ["error", line]));
    showing.set(place, null);
  }

  // Where the maker mends a problem of a check: the control to bring into sight and focus.
  const whereOf = (problem) => fieldOf(placeOf(problem.field));

  return { checked, refused, placeName, whereOf };
}
