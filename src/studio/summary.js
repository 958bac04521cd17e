// The bar at the foot of the screen, always in sight: the pictures being
// prepared, the count of errors and warnings (each a link to the next one,
// and a list of them all), the downloads, shut with their reason while the
// quiz cannot be written, and "Annuler". Its counts, and what it answers a
// click, are said in polite live regions. studio: whereOf(problem), the control that mends it;
// placeName(field); download(form), which says why when it writes nothing;
// undo().
function Summary(studio) {
  const $ = (id) => document.getElementById(id);
  const buttons = () => document.querySelectorAll("#export button[data-form]");
  let problems = [];
  let next = { errors: 0, warnings: 0 };  // the problem each link goes to next
  let reason = "";  // why nothing is written now, or ""

  const plural = (count, one) => `${count} ${one}${count > 1 ? "s" : ""}`;

  function say(text) {
    // Said anew even when the same: the maker asked again.
    $("said").textContent = text === $("said").textContent ? text + "\u00a0" : text;
  }

  function progress(done, total) {
    $("preparing").hidden = total === 0;
    if (total === 0) return;
    $("progress-count").textContent = `${done} / ${total}`;
    $("progress").max = total;
    $("progress").value = done;
  }

  function bringTo(problem) {
    const where = studio.whereOf(problem);
    if (!where.matches("input, button, [tabindex]")) where.tabIndex = -1;
    where.closest("details:not([open])")?.setAttribute("open", "");
    where.scrollIntoView({ block: "center" });
    where.focus({ preventScroll: true });
  }

  function link(problem) {
    const item = document.createElement("li");
    const a = document.createElement("a");
    a.href = "#";
    a.className = problem.warning ? "warning" : "error";
    a.textContent = studio.placeName(problem.field) + problem.french;
    a.addEventListener("click", (event) => {
      event.preventDefault();
      bringTo(problem);
    });
    item.append(a);
    return item;
  }

  // The problems of a check, the pictures still being prepared left out;
  // why nothing can be written now ("" when it can).
  function checked(all, why) {
    // Info lines stay beside their fields: nothing to fix, so not counted.
    const shown = all.filter((p) => p.severity !== "info");
    problems = shown;
    const errors = shown.filter((p) => !p.warning).length;
    const warnings = shown.length - errors;
    // Said politely (#counts is a live region) when the counts change.
    const texts = { errors: errors ? plural(errors, "erreur") : "",
                    warnings: warnings ? plural(warnings, "avertissement") : "",
                    "all-clear": shown.length ? "" : "Aucun problème trouvé." };
    for (const [id, text] of Object.entries(texts)) {
      if ($(id).textContent !== text) $(id).textContent = text;
      $(id).hidden = !text;
    }
    next = { errors: 0, warnings: 0 };
    $("problem-list").hidden = shown.length === 0;
    list();
    shut(why);
  }

  // The list of links, made only while it is open (and on opening): 96
  // pictures' links remade at each keystroke behind a closed list cost
  // WebKitGTK a frame's budget.
  function list() {
    if ($("problem-list").open) $("problems").replaceChildren(...problems.map(link));
  }

  // The downloads shut for that reason, or open ("").
  function shut(why) {
    reason = why;
    $("blocked").textContent = why;
    $("blocked").hidden = !why;
    for (const button of buttons()) button.setAttribute("aria-disabled", why ? "true" : "false");
  }

  // The next problem of that kind ("errors" or "warnings") brought into sight.
  function jump(kind) {
    const those = problems.filter((p) => p.warning === (kind === "warnings"));
    if (those.length === 0) return;
    bringTo(those[next[kind] % those.length]);
    ++next[kind];
  }

  // What "Annuler" would take back ("" for nothing), said beside it.
  function undoable(what) {
    $("undo").hidden = !what;
    $("undo").textContent = what ? `Annuler (${what})` : "Annuler";
  }

  function listen() {
    for (const kind of ["errors", "warnings"]) {
      $(kind).addEventListener("click", (event) => {
        event.preventDefault();
        jump(kind);
      });
    }
    for (const button of buttons()) {
      button.addEventListener("click", () => {
        if (reason) {
          say(`${button.textContent.trim()} : rien n'est téléchargé. ${reason}`);
        } else {
          studio.download(button.dataset.form);
        }
      });
    }
    $("undo").addEventListener("click", () => studio.undo());
    $("problem-list").addEventListener("toggle", list);
    // A phone's bar opens on the list and the downloads (the style hides them).
    $("more").addEventListener("click", () => {
      const open = $("summary").classList.toggle("open");
      $("more").setAttribute("aria-expanded", String(open));
    });
    // What the focus or a link brings into sight stops above the bar, never under it.
    new ResizeObserver(() => {
      document.documentElement.style.scrollPaddingBottom = `${$("summary").offsetHeight}px`;
    }).observe($("summary"));
  }

  return { progress, checked, shut, say, undoable, listen };
}
