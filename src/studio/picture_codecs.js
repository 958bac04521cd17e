// The browser's picture codecs, as the studio uses them: the maker library
// decides every size and colour, the browser decodes and encodes. The first
// four are also the picture threads' (picture_threads.js), which get them as
// source: they close over nothing.

// Asked for a size, Chromium's JPEG decoder scales by the DCT as TurboJPEG
// does for the tool: a photo of 4000 x 3000 decodes in a quarter of the
// time and memory a whole decode and a resize take, to nearly the tool's pixels.
// The pixels go to spare when it is large enough; handed, the decoder takes
// the bytes' buffer instead of copying them.
async function decodeScaled(jpeg, width, height, spare = null, handed = false) {
  const decoder = new ImageDecoder({ data: jpeg, type: "image/jpeg", desiredWidth: width,
                                     desiredHeight: height, colorSpaceConversion: "none",
                                     transfer: handed ? [jpeg.buffer] : [] });
  try {
    const { image } = await decoder.decode();
    try {
      const shown = image.visibleRect;
      if (shown.width < width || shown.height < height) throw new Error("decoded too small");
      const size = shown.width * shown.height * 4;
      const pixels = spare && spare.length >= size ? spare.subarray(0, size) : new Uint8Array(size);
      await image.copyTo(pixels, { format: "RGBA" });
      return { width: shown.width, height: shown.height, pixels };
    } finally {
      image.close();
    }
  } finally {
    decoder.close();
  }
}

// One canvas, kept: making one for each picture cost more than its copy and
// encoding. The canvas is copied as the encoding begins. The bytes, or the
// Blob that holds them.
async function encodeJpeg(width, height, rgba, asBlob = false) {
  const canvas = encodeJpeg.canvas = encodeJpeg.canvas ||
    (typeof OffscreenCanvas === "function" ? new OffscreenCanvas(width, height)
      : document.createElement("canvas"));
  if (canvas.width !== width) canvas.width = width;
  if (canvas.height !== height) canvas.height = height;
  canvas.getContext("2d").putImageData(
    new ImageData(new Uint8ClampedArray(rgba.buffer, rgba.byteOffset, rgba.length), width, height), 0, 0);
  // Encoded away from the page where the browser can: a canvas's toBlob
  // waits for the page to be idle.
  const blob = canvas.convertToBlob ? await canvas.convertToBlob({ type: "image/jpeg", quality: 0.9 })
    : await new Promise((resolve) => canvas.toBlob(resolve, "image/jpeg", 0.9));
  return asBlob ? blob : new Uint8Array(await blob.arrayBuffer());
}

// A bitmap's pixels: {width, height, pixels} in RGBA.
function bitmapPixels(bitmap) {
  const canvas = typeof document === "object" ? document.createElement("canvas")
    : new OffscreenCanvas(bitmap.width, bitmap.height);
  canvas.width = bitmap.width;
  canvas.height = bitmap.height;
  const context = canvas.getContext("2d", { willReadFrequently: true });
  context.drawImage(bitmap, 0, 0);
  bitmap.close();
  const image = context.getImageData(0, 0, canvas.width, canvas.height);
  return { width: image.width, height: image.height, pixels: new Uint8Array(image.data.buffer) };
}

// A picture of another kind than JPEG and PNG (WebP, GIF, AVIF ...) as the
// browser decodes it: whole, upright, a GIF's first frame.
async function decodeWhole(bytes) {
  return bitmapPixels(await createImageBitmap(new Blob([bytes]), {
    colorSpaceConversion: "none", premultiplyAlpha: "none" }));
}

// Whether the browser decodes pictures of that kind at all: every one here
// decodes WebP, GIF and BMP, so one of those that fails is damaged; the
// others are tried on a picture of one point.
const kindRead = new Map();
async function readsKind(kind) {
  const samples = {
    AVIF: "AAAAHGZ0eXBhdmlmAAAAAGF2aWZtaWYxbWlhZgAAAOptZXRhAAAAAAAAACFoZGxyAAAAAAAAAABwaWN0AAAAAAAAAAAAAAAAAAAAAA5waXRtAAAAAAABAAAAImlsb2MAAAAAREAAAQABAAAAAAEOAAEAAAAAAAAAHAAAACNpaW5mAAAAAAABAAAAFWluZmUCAAAAAAEAAGF2MDEAAAAAamlwcnAAAABLaXBjbwAAABNjb2xybmNseAACAAIABoAAAAAMYXYxQ4EADAAAAAAUaXNwZQAAAAAAAAABAAAAAQAAABBwaXhpAAAAAAMICAgAAAAXaXBtYQAAAAAAAAABAAEEgYIDhAAAACRtZGF0EgAKBRgABgQgMhEYAAooooQAALATVl9ApOsM/A==",
    HEIC: "AAAAGGZ0eXBoZWljAAAAAG1pZjFoZWljAAABqm1ldGEAAAAAAAAAIWhkbHIAAAAAAAAAAHBpY3QAAAAAAAAAAAAAAAAAAAAADnBpdG0AAAAAAAIAAAAQaWRhdAAAAAAAAQABAAAAOGlsb2MBAAAAREAAAgABAAAAAAAAAcoAAQAAAAAAAAA0AAIAAQAAAAAAAAABAAAAAAAAAAgAAAA4aWluZgAAAAAAAgAAABVpbmZlAgAAAQABAABodmMxAAAAABVpbmZlAgAAAAACAABncmlkAAAAANVpcHJwAAAAs2lwY28AAABzaHZjQwEDcAAAAAAAAAAAAB7wAPz9+PgAAA8DIAABABhAAQwB//8DcAAAAwCQAAADAAADAB66AkAhAAEAJ0IBAQNwAAADAJAAAAMAAAMAHqAggQWW6q6a5sCAAAADAIAAAAMAhCIAAQAGRAHBc8GJAAAAFGlzcGUAAAAAAAAAQAAAAEAAAAAUaXNwZQAAAAAAAAABAAAAAQAAABBwaXhpAAAAAAMICAgAAAAaaXBtYQAAAAAAAAACAAECgQIAAgIDhAAAABppcmVmAAAAAAAAAA5kaW1nAAIAAQABAAAAPG1kYXQAAAAwKAGvEyFmY0D4EPdn/+u8Ff+ZIT/zN7HpzshHQMDSIICbQEiTXVALFhCAh3alVtz4",
    TIFF: "SUkqAAoAAAAAABAAAAEDAAEAAAABAAAAAQEDAAEAAAABAAAAAgEDAAEAAAABAAAAAwEDAAEAAAABAAAABgEDAAEAAAADAAAACgEDAAEAAAABAAAAEQEEAAEAAAAIAAAAEgEDAAEAAAABAAAAFQEDAAEAAAABAAAAFgEDAAEAAAABAAAAFwEEAAEAAAABAAAAHAEDAAEAAAABAAAAKQEDAAIAAAAAAAEAPgEFAAIAAAAMAQAAPwEFAAYAAADcAAAAQAEDAAYAAADQAAAAAAAAAP////8AAP//AAD//4XrUQAAAIAAw/WoAAAAAALNzEwAAAAAAc3MTAAAAIAAzcxMAAAAAAKPwvUAAAAAEDcaoAAAAAACK4cKAAAAIAA=",
  };
  if (["WebP", "GIF", "BMP"].includes(kind)) return true;
  if (!kindRead.has(kind)) {
    kindRead.set(kind, samples[kind] ? decodeWhole(Uint8Array.from(atob(samples[kind]),
                                                                   (c) => c.charCodeAt(0)))
      .then(() => true, () => false) : Promise.resolve(false));
  }
  return kindRead.get(kind);
}

// The picture's pixels as stored: {width, height, pixels} in RGBA, at least
// width x height. hidden() gives its bytes with their EXIF orientation
// hidden, anew for each decoder, which copies them as it is made.
async function decodePixels(hidden, width, height, scaled = true) {
  if (scaled && typeof ImageDecoder === "function") {
    try {
      return await decodeScaled(hidden(), width, height);
    } catch (e) {
      // Decoded as other browsers do, below.
    }
  }
  const source = await decodedAside(hidden());
  // Scaled and drawn on the page's thread in WebKitGTK (100 to 200 ms for
  // a photo of 4000 x 3000): one picture at a time, each step a task of
  // its own, so that input runs between them.
  const before = decodePixels.drawing;
  let drawn = null;
  decodePixels.drawing = new Promise((resolve) => { drawn = resolve; });
  await before;
  // Each step holds the page 30 to 60 ms for a photo of 12 MP: input
  // waiting is painted between them. A smaller picture's steps go on at once.
  const step = source.naturalWidth * source.naturalHeight >= 4e6 ? nextFrame : nextTask;
  try {
    await step();
    const bitmap = await createImageBitmap(source, {
      colorSpaceConversion: "none", premultiplyAlpha: "none",
      resizeWidth: width, resizeHeight: height, resizeQuality: "high" });
    await step();
    return bitmapPixels(bitmap);
  } finally {
    drawn();
  }
}

// The rest of this task left to whatever waits, input first.
function nextTask() {
  return new Promise((resolve) => setTimeout(resolve, 0));
}

// After the next frame, so that input waiting and its frame come first; a
// page out of sight, which gets no frames, goes on after 50 ms.
function nextFrame() {
  return new Promise((resolve) => {
    const timer = setTimeout(resolve, 50);
    requestAnimationFrame(() => setTimeout(() => { clearTimeout(timer); resolve(); }, 0));
  });
}

// What createImageBitmap takes for the bytes. Without an ImageDecoder
// (WebKitGTK), Blobs given to it while another is decoded are decoded on the
// page's thread (250 ms for a photo of 4000 x 3000), images' decode() on the
// browser's own; the bitmap holds the same pixels either way.
async function decodedAside(bytes) {
  const blob = new Blob([bytes]);
  if (typeof ImageDecoder === "function") return blob;
  const url = URL.createObjectURL(blob);
  const image = new Image();
  image.src = url;
  try {
    await image.decode();
    return image;
  } catch (e) {
    return blob;  // createImageBitmap then takes it or says why, as before
  } finally {
    URL.revokeObjectURL(url);
  }
}

function isJpeg(bytes) {
  return Boolean(bytes) && bytes.length > 3 && bytes[0] === 0xff && bytes[1] === 0xd8 &&
    bytes[2] === 0xff;
}

function isPng(bytes) {
  return Boolean(bytes) && bytes.length > 8 && bytes[0] === 0x89 && bytes[1] === 0x50 &&
    bytes[2] === 0x4e;
}
