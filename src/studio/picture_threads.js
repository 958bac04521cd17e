// Pictures are read, decoded, prepared and encoded on threads of the page's
// own, with an instance of the studio's module in each holding one picture
// at a time: the screen and the page's module only take what is stored (21
// photos held the page for seconds). Photos are decoded by the browser's
// ImageDecoder, scaled; without one (WebKitGTK, Firefox) by the module's own
// decoder, as the tool decodes them, and pictures of other kinds by the page.
// There are no threads where the browser has no such thread, and one that
// cannot hold a picture leaves it to the page, whose module then knows why.
//
// Two threads, started with the first picture and stopped once idle a while,
// which gives their memory back: PNGs, whose decoding holds a thread for a
// second and 190 MB, go to the first; each photo to the one with fewer jobs.
// After a failure the page prepares its pictures itself.
function PictureThreads(compiled) {
  const kIdleMs = 10000;
  let code = null;
  let workers = null;
  let failed = false;
  const jobs = new Map();  // job -> its reply's taker
  let next = 0;
  let idle = null;

  // A thread's code: the functions it names, sent as source (they close over
  // nothing). Its replies: {prepared, stored, plan, handed} or {tried,
  // handed}, whether the browser's decoder was tried, and whether the bytes
  // given stay here: taken by that decoder (a photo's, with their
  // orientation hidden), or a prepared photo's, which the page keeps not.
  function preparingThread(Field) {
    let module = null;  // a WasmModule
    let compiled = null;
    const scales = typeof ImageDecoder === "function";  // else the module decodes photos
    let sent = {};
    const none = { width: 0, height: 0, pixels: new Uint8Array(0) };
    // Buffers for decoded pixels, kept: mapping some MB anew for each photo
    // cost more than decoding into them. Each job in flight holds its own.
    const spares = [];
    const words = new TextDecoder();
    function input(bytes) {
      const target = module.input(bytes);
      if (!target) throw new Error("out of memory");  // the page tries
      return target.byteOffset;
    }
    // Each job's picture is held in the module while the job lasts: jobs take
    // turns at each await.
    async function prepare(given, colour, decoded) {
      const at = input(given);
      const id = module.call("studio_add_picture", 0, given.length);
      if (id < 0) return { tried: false };
      try {
        sent = {};
        const kind = module.call("studio_plan", id);
        let image = none;
        if (kind < 0) return { tried: false };
        if (decoded && kind > 0) {
          image = decoded;  // by the page, where threads decode nothing (WebKitGTK)
        } else if (kind === 2) {
          try {
            image = await decodeWhole(given);
          } catch (e) {
            return { tried: true };  // the page tells damaged from a kind it cannot read
          }
        } else if (kind === 1 && scales) {
          module.call("studio_hide_orientation");  // in the input, which still holds the bytes
          given.set(module.bytes(at, given.length));
          const spare = spares.pop() || null;
          try {
            image = await decodeScaled(given, sent[Field.DecodeWidth], sent[Field.DecodeHeight],
                                       spare, true);
          } catch (e) {
            if (spare) spares.push(spare);
            return { tried: true, handed: true };
          }
        }
        input(image.pixels);
        if (image !== none && !decoded && spares.length < 2) spares.push(new Uint8Array(image.pixels.buffer));
        module.call("studio_set_colour", colour);
        sent = {};
        const status = module.call("studio_prepare", id, image.width, image.height);
        const handed = kind === 1 && scales;  // a photo's bytes, which the decoder took
        // -2: damaged or CMYK, left to the browser's decoding on the page.
        if (status < 0) return { tried: handed, handed };
        // A prepared photo's bytes are not sent back: the page keeps none.
        return finish(status, sent, kind === 1);
      } finally {
        module.call("studio_remove_picture", id);
      }
    }
    async function finish(status, got, handed) {
      const plan = got[Field.PlanText] ? words.decode(got[Field.PlanText]) : "";
      let stored = status === 0 ? got[Field.Stored]
        : await encodeJpeg(got[Field.EncodeWidth], got[Field.EncodeHeight], got[Field.EncodePixels],
                           true);
      // WebKitGTK's threads read no Blob: the page reads it then.
      if (stored instanceof Blob) {
        stored = await stored.arrayBuffer().then((bytes) => new Uint8Array(bytes), () => stored);
      }
      return { prepared: true, stored, plan, handed };
    }
    onmessage = async ({ data }) => {
      if (data.module) {
        compiled = data.module;
        instantiate();
        return;
      }
      const { job, file, colour, decoded } = data;
      let given = data.given || data.read;
      let reply = { tried: false };
      try {
        given = given || new Uint8Array(await file.arrayBuffer());
        reply = await prepare(given, colour, decoded);
      } catch (e) {
        console.warn(e, "(the page prepares the picture)");
        // A trap (the module's decoder traps on a JPEG it refuses) leaves the
        // instance as it stood: made anew. A job that awaited the browser's
        // decoder meanwhile finds its picture gone, and the page prepares it.
        if (e.trap) instantiate();
      }
      if (reply.handed) given = null;
      const moved = file && given ? [given.buffer] : [];
      if (reply.stored instanceof Uint8Array) moved.push(reply.stored.buffer);
      postMessage({ job, given: file ? given : null, ...reply }, moved);
    };
    function instantiate() {
      module = new WasmModule(compiled, {
        studio: {
          text(field, index, at, length) { sent[field] = module.bytes(at, length).slice(); },
          number(field, index, value) { sent[field] = value; },
          compose: () => -1, fold: () => -1,
        },
      }, "studio_input");
      module.call("_initialize");
      if (!scales) module.call("studio_decode_jpegs_here");
    }
  }

  function stop() {
    for (const worker of workers || []) worker.terminate();
    workers = null;
  }

  function fail(error) {
    console.warn(error, "(the page prepares its pictures)");
    failed = true;
    stop();
    for (const finished of jobs.values()) finished({ tried: false });
    jobs.clear();
  }

  // Whether the threads run, started if they can be.
  function started() {
    clearTimeout(idle);
    if (workers || failed) return Boolean(workers);
    if (typeof Worker !== "function" || typeof OffscreenCanvas !== "function") {
      failed = true;
      return false;
    }
    try {
      code = code || URL.createObjectURL(new Blob(
        [`${WasmModule}\n${decodeScaled}\n${encodeJpeg}\n${bitmapPixels}\n${decodeWhole}\n(${preparingThread})(${JSON.stringify(Field)});`],
        { type: "text/javascript" }));
      workers = [new Worker(code), new Worker(code)];
      for (const worker of workers) {
        worker.jobs = 0;
        worker.onmessage = ({ data }) => {
          --worker.jobs;
          jobs.get(data.job)(data);
          jobs.delete(data.job);
          if (jobs.size === 0) idle = setTimeout(stop, kIdleMs);
        };
        worker.onerror = (event) => fail(event.message);
        worker.postMessage({ module: compiled });
      }
    } catch (e) {
      fail(e);
    }
    return Boolean(workers);
  }

  // A picture prepared on a thread, from its file (whose bytes come back as
  // given; read: the file's bytes, read by the page where threads read no
  // Blob, handed over) or from its bytes as given (copied there), on the
  // quiz's colour, a picture of another kind from its pixels decoded by the
  // page ({width, height, pixels}, handed over) where the threads decode
  // none: the thread's reply. The threads must have started.
  function prepare({ file, read, given, colour, decoded }) {
    if (!workers) return Promise.resolve({ tried: false });  // failed or idle since they started
    // Reading and decoding a picture on the page may outlast the idle time
    // since started(): threads stopped while holding a job never reply.
    clearTimeout(idle);
    const png = file ? /\.png$/i.test(file.name) || file.type === "image/png" : isPng(given);
    const [first, second] = workers;
    const worker = png || first.jobs < second.jobs ? first : second;
    ++worker.jobs;
    return new Promise((finished) => {
      const job = next++;
      jobs.set(job, finished);
      worker.postMessage(file ? { job, file, read, colour } : { job, given, colour, decoded },
                         read ? [read.buffer] : decoded ? [decoded.pixels.buffer] : []);
    });
  }

  // Whether the threads decode pictures of other kinds than JPEG and PNG.
  const decodesOthers = typeof ImageDecoder === "function";

  return { started, prepare, decodesOthers };
}
