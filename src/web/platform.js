// ---- The learning platform. A quiz packed for one (`brivel pack --platform
// scorm`) carries the mark of its SCORM edition and talks to the API the
// platform puts on a window above it, or on the one that opened it: the
// learner's progress text is their suspend_data, taken before the browser's
// own at start; each save sends it with the share of pictures found as the
// score and the status, and commits; leaving sends the session's time and
// ends the session. Without the mark, or without a platform, the page is the
// usual offline one. A platform that refuses or fails a call never stops
// play: the player is told once that it did not keep the progress.
const kScorm = {
  "1.2": {
    api: "API", start: "LMSInitialize", get: "LMSGetValue", set: "LMSSetValue",
    commit: "LMSCommit", end: "LMSFinish", error: "LMSGetLastError",
    learner: "cmi.core.student_id", exit: "cmi.core.exit", time: "cmi.core.session_time",
    values: (raw, share, all) => [
      ["cmi.core.score.min", "0"], ["cmi.core.score.max", "100"], ["cmi.core.score.raw", raw],
      ["cmi.core.lesson_status", all ? "completed" : "incomplete"]],
    // HHHH:MM:SS.SS
    duration: (seconds) => [Math.min(Math.floor(seconds / 3600), 9999), Math.floor(seconds / 60) % 60]
      .map((part) => String(part).padStart(2, "0")).join(":") +
      ":" + (seconds % 60).toFixed(2).padStart(5, "0"),
  },
  "2004": {
    api: "API_1484_11", start: "Initialize", get: "GetValue", set: "SetValue",
    commit: "Commit", end: "Terminate", error: "GetLastError",
    learner: "cmi.learner_id", exit: "cmi.exit", time: "cmi.session_time",
    values: (raw, share, all) => [
      ["cmi.score.min", "0"], ["cmi.score.max", "100"], ["cmi.score.raw", raw],
      ["cmi.score.scaled", String(Math.round(share * 10000) / 10000)],
      ["cmi.completion_status", all ? "completed" : "incomplete"],
      ["cmi.success_status", all ? "passed" : "unknown"]],
    duration: (seconds) => `PT${Math.floor(seconds / 3600)}H${Math.floor(seconds / 60) % 60}M` +
      `${(seconds % 60).toFixed(2)}S`,
  },
};
// What SCORM 2004 answers for a value nothing has set yet: no failure.
const kNotInitialized = "403";
const cp1252 = new TextDecoder("windows-1252");

let platform = null;  // { api, names, began, ended } while a session is open

// The API named name on this window or one above it, else on the window
// that opened this one or one above that; null when none is.
function platformApi(name) {
  const climb = (start) => {
    for (let win = start, tries = 0; win && tries < 500; ++tries) {
      try {
        if (win[name]) return win[name];
      } catch (e) {
        // A window of another origin: the platform is not there.
      }
      if (win.parent === win) break;
      win = win.parent;
    }
    return null;
  };
  return climb(window) || (window.opener ? climb(window.opener) : null);
}

// A line of the notice, made the first time it is said.
function noticeLine(id, text) {
  let line = $(id);
  if (!line) {
    line = document.createElement("p");
    line.id = id;
    $("notice").append(line);
  }
  line.textContent = text;
  line.hidden = !text;
  showNotice();
}

function platformRefused(what, why) {
  console.warn(`the learning platform refused ${what}:`, why);
  noticeLine("platform-unkept", "La plateforme de formation n'a pas gardé votre progression : " +
    "vos réponses restent dans ce navigateur. Pour les garder ailleurs, cliquez sur " +
    "« Enregistrer la progression » avant de partir.");
}

// One call of the platform's API: its answer, or null when it refused or failed.
function platformCall(method, ...args) {
  const { api, names } = platform;
  let answer = "false";
  let code = "";
  try {
    answer = String(api[names[method]](...args));
    code = String(api[names.error]());
  } catch (e) {
    code = e;
  }
  const unset = method === "get" && code === kNotInitialized;
  if (unset || (answer !== "false" && (code === "0" || code === ""))) return unset ? "" : answer;
  platformRefused(`${names[method]}(${args.join(", ")})`, code);
  return null;
}

// The session on the platform of this package's edition, when there is one:
// the learner's progress text ("" for none yet) and their id; else null.
function startPlatform() {
  const mark = document.querySelector('meta[name="brivel-scorm"]');
  const names = mark && kScorm[mark.content];
  const api = names && platformApi(names.api);
  if (!api) return null;
  platform = { api, names, began: Date.now(), ended: false };
  if (platformCall("start", "") === null) {
    platform = null;
    return null;
  }
  const text = platformCall("get", "cmi.suspend_data") || "";
  const learner = platformCall("get", names.learner) || "";
  // A learner who comes back finds the attempt as they left it.
  platformCall("set", names.exit, "suspend");
  return { text, learner };
}

// Whether a platform keeps the progress, so that the browser need not.
function platformKeeps() {
  return platform !== null && !$("platform-unkept");
}

// A save: the progress file's text, the score and the status, committed.
function keepOnPlatform(bytes) {
  if (!platform || platform.ended) return;
  const found = call("brivel_found_count");
  const count = call("brivel_pictures");
  const share = count > 0 ? found / count : 0;
  platformCall("set", "cmi.suspend_data", cp1252.decode(bytes));
  for (const [element, value] of
    platform.names.values(String(Math.round(share * 100)), share, count > 0 && found === count)) {
    platformCall("set", element, value);
  }
  platformCall("commit", "");
}

function leavePlatform() {
  if (!platform || platform.ended) return;
  platformCall("set", platform.names.time,
               platform.names.duration((Date.now() - platform.began) / 1000));
  platformCall("end", "");
  platform.ended = true;
}
