// ---- A progress that comes in: at start (the platform's, the browser's) and
// from a file the player loads. The core refuses what is no progress of this
// quiz, saying why, and merges the rest without losing a find; for the
// pictures where each holds another text that finds nothing, the player
// chooses. The page then says what changed.
let progressSaid = "";  // the core's last word on a progress (ProgressSaid)
const mergeAsked = [];  // [picture, this page's text, the file's text]

function onProgressText(field, index, text) {
  if (field === Field.ProgressSaid) progressSaid = text;
  if (field === Field.MergeOwn) mergeAsked.push([index, text, ""]);
  if (field === Field.MergeIncoming) mergeAsked[mergeAsked.length - 1][2] = text;
}

// Where a start takes its progress: the learning platform's text when it has
// one of this quiz, with the finds the browser kept for the learner added
// (the platform's texts win where both differ), then kept by the browser too;
// else the browser's own.
function startProgress(platformText) {
  const stored = storedProgress();
  if (platformText) {
    if (call("brivel_restore", input(encoder.encode(platformText)), 1) === 0) {
      if (stored && call("brivel_merge", input(stored)) > 0) call("brivel_merge_answer", 0);
      storeProgress(false);
      return;
    }
    noticeLine("loaded", "La progression que garde la plateforme n'est pas celle de ce quiz : " +
      `${progressSaid}. Le quiz reprend celle de ce navigateur.`);
  }
  if (call("brivel_restore", input(stored || new Uint8Array(0)), 0) !== 0) {
    noticeLine("loaded", "La progression que garde ce navigateur n'est pas celle de ce quiz : " +
      `${progressSaid}. Le quiz repart de zéro.`);
  }
}

// A modal question, as accessible as the browser makes its dialogs: true to
// take the file's texts. Escape keeps the page's.
function askReplace(name) {
  const pictures = mergeAsked.map(([k, own, theirs]) =>
    `Image n°${k + 1} : « ${own} » ici, « ${theirs} » dans le fichier`);
  const question = `« ${name} » a une autre réponse que cette page pour ${pictures.length} ` +
    `image${pictures.length > 1 ? "s" : ""} que ni l'une ni l'autre ne trouve. Remplacer celles ` +
    "de la page par celles du fichier ?";
  if (typeof HTMLDialogElement !== "function") {
    return Promise.resolve(window.confirm(`${question}\n${pictures.join("\n")}`));
  }
  const dialog = document.createElement("dialog");
  dialog.id = "replace";
  dialog.style.cssText = "max-width: 36em; font-size: 14px";
  dialog.innerHTML = '<form method="dialog"><p id="replace-question"></p><ul></ul>' +
    '<button id="replace-file" value="replace">Prendre celles du fichier</button> ' +
    '<button id="replace-keep" value="keep" autofocus>Garder celles de la page</button></form>';
  dialog.setAttribute("aria-labelledby", "replace-question");
  dialog.querySelector("p").textContent = question;
  for (const picture of pictures) {
    dialog.querySelector("ul").append(Object.assign(document.createElement("li"),
                                                    { textContent: picture }));
  }
  document.body.append(dialog);
  return new Promise((resolve) => {
    dialog.addEventListener("close", () => {
      dialog.remove();
      resolve(dialog.returnValue === "replace");
    });
    dialog.showModal();
  });
}

// A progress file the player chose, merged and stored; what it changed, or
// why it was refused, is said.
function loadProgress(name, bytes) {
  progressSaid = "";
  mergeAsked.length = 0;
  let asked = -1;
  faultTold("fault-action", () => { asked = call("brivel_merge", input(bytes)); });
  if (asked < 0) {
    if (progressSaid) {
      noticeLine("loaded", `« ${name} » n'est pas une progression de ce quiz : ${progressSaid}. ` +
        "Rien n'a changé. Choisissez le fichier .txt qu'« Enregistrer la progression » a écrit.");
    }
    return Promise.resolve();
  }
  const answered = asked > 0 ? askReplace(name).then((replace) =>
    faultTold("fault-action", () => call("brivel_merge_answer", replace ? 1 : 0)))
    : Promise.resolve();
  return answered.then(() => {
    storeProgress();
    noticeLine("loaded", `« ${name} » chargé : ${progressSaid}`);
    announce("Progression chargée");
  });
}
