// A quiz folder's .zip, as the studio's own download gives it back: the files
// ({name, bytes}) from the folder of its quiz.toml (the shallowest), named
// from there; null when it holds none or cannot be read. Entries are stored
// or deflated (inflated by the browser), each checked against the size its
// directory states, and those sizes may not pass kZipLimit together.
async function unzipped(bytes) {
  const kZipLimit = 1 << 30;
  const names = new TextDecoder();
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.length);
  const u16 = (at) => view.getUint16(at, true);
  const u32 = (at) => view.getUint32(at, true);

  async function inflated({ method, size, data }) {
    if (method === 0 && data.length === size) return data.slice();
    if (method !== 8) throw new Error("not stored or deflated");
    const reader = new Blob([data]).stream().pipeThrough(new DecompressionStream("deflate-raw"))
      .getReader();
    const out = new Uint8Array(size);
    let at = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      if (at + value.length > size) {
        reader.cancel();
        throw new Error("larger than stated");
      }
      out.set(value, at);
      at += value.length;
    }
    if (at !== size) throw new Error("smaller than stated");
    return out;
  }

  try {
    // The directory's end, behind a comment of at most 64 KiB.
    let end = bytes.length - 22;
    const earliest = Math.max(0, end - 0xffff);
    while (end >= earliest && u32(end) !== 0x06054b50) --end;
    if (end < earliest) return null;
    const entries = [];
    let total = 0;
    for (let i = 0, at = u32(end + 16); i < u16(end + 10); ++i) {
      if (u32(at) !== 0x02014b50) return null;
      const [method, packed, size, local] = [u16(at + 10), u32(at + 20), u32(at + 24), u32(at + 42)];
      const name = names.decode(bytes.subarray(at + 46, at + 46 + u16(at + 28)));
      at += 46 + u16(at + 28) + u16(at + 30) + u16(at + 32);
      if (name.endsWith("/")) continue;
      if (u32(local) !== 0x04034b50) return null;
      const start = local + 30 + u16(local + 26) + u16(local + 28);
      total += size;
      if (start + packed > bytes.length || total > kZipLimit) return null;
      entries.push({ name, method, size, data: bytes.subarray(start, start + packed) });
    }
    const descriptions = entries.map((entry) => entry.name)
      .filter((name) => name === "quiz.toml" || name.endsWith("/quiz.toml"));
    if (!descriptions.length) return null;
    const base = descriptions.reduce((a, b) => (b.length < a.length ? b : a)).slice(0, -9);
    const files = [];
    for (const entry of entries) {
      if (entry.name.startsWith(base)) {
        files.push({ name: entry.name.slice(base.length), bytes: await inflated(entry) });
      }
    }
    return files;
  } catch (e) {
    return null;  // read past its end, or an entry that does not inflate to its size
  }
}
