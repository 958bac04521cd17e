// The maker library's messages, each beside the field it names: those of
// `brivel check`, and why a quiz given does not open. rowOf(index): the row
// of a picture, where its messages go.
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
      if (!drawn.has(place)) place.replaceChildren();
    }
    for (const [place, texts] of drawn) {
      if (showing.get(place) !== texts) showLines(place, lines.get(place));
    }
    showing = drawn;
  }

  // Why what was given does not open (lines), shown until the next check.
  function refused(text) {
    const place = document.querySelector('.messages[data-for="picture"]');
    showLines(place, text.map((line) => ["error", line]));
    showing.set(place, null);
  }

  return { checked, refused, placeName };
}
