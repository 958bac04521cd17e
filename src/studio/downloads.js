// The downloads: the quiz written in each form by the module, given the
// player it packs (carried by the page, gzip-compressed), as a file named
// after the quiz's title. studio: written(form, player), the module's bytes
// of the quiz in form or null; failure(), why the last write gave none;
// tar(name, bytes), the program in a .tar or null; title(), the quiz's.
function Downloads(studio) {
  const forms = {
    Windows: { player: "player-windows", suffix: ".exe", type: "application/vnd.microsoft.portable-executable" },
    // In a .tar, the one way a download keeps the program's execute permission.
    Linux: { player: "player-linux", suffix: "", type: "application/octet-stream", tar: true },
    Web: { player: "player-web", suffix: ".html", type: "text/html" },
    Folder: { player: null, suffix: ".zip", type: "application/zip" },
    // SCORM 1.2, the edition every learning platform takes.
    Scorm12: { player: "player-web", suffix: "-scorm.zip", type: "application/zip" },
    Res: { player: null, suffix: ".res", type: "application/octet-stream" },
    Description: { player: null, suffix: ".toml", type: "text/plain" },
  };

  // The player of form (a name of Form, one that packs a player).
  async function player(form) {
    const packed = new Blob([WasmModule.decodeBase64(
      document.getElementById(forms[form].player).textContent)]);
    const stream = packed.stream().pipeThrough(new DecompressionStream("gzip"));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  }

  // The quiz's bytes in form, or null when it has errors.
  async function write(form) {
    return studio.written(form, forms[form].player ? await player(form) : new Uint8Array(0));
  }

  function fileName(form) {
    const base = studio.title().normalize("NFD").replace(/[\u0300-\u036f]/g, "")
      .replace(/[^A-Za-z0-9]+/g, "-").replace(/^-|-$/g, "").toLowerCase() || "quiz";
    return base + forms[form].suffix;
  }

  // Downloads the quiz in form; what the maker is told of it.
  async function download(form) {
    let bytes = null;
    try {
      bytes = await write(form);
    } catch (error) {
      console.error(error);
      return `Rien n'est téléchargé : ${error.message}.`;
    }
    if (!bytes) {
      const why = studio.failure();
      return `Rien n'est téléchargé : ${why || "le quiz ne s'écrit pas dans cette forme"}.`;
    }
    let blob = new Blob([bytes], { type: forms[form].type });
    let name = fileName(form);
    if (forms[form].tar) {
      const tar = studio.tar(name.slice(0, 100), bytes);
      if (!tar) return "Rien n'est téléchargé : le titre fait un nom de fichier trop long.";
      // Gzipped where the browser can; a bare .tar opens as well.
      const gzip = typeof CompressionStream === "function";
      blob = new Blob([tar], { type: gzip ? "application/gzip" : "application/x-tar" });
      if (gzip) {
        blob = await new Response(blob.stream().pipeThrough(new CompressionStream("gzip"))).blob();
      }
      name += gzip ? ".tar.gz" : ".tar";
    }
    const link = document.createElement("a");
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
    return forms[form].tar ? `« ${name} » est téléchargé : ouvrez-le, puis double-cliquez ` +
      "sur le quiz qu'il contient pour le lancer." : `« ${name} » est téléchargé.`;
  }

  return { player, write, download };
}
