// The one way into this project's WebAssembly modules, for the web player,
// the studio and the studio's threads (which get it as source): a module
// started with no system under it, bytes in and out of its memory, and calls
// whose fault is named. It closes over nothing, so that it can be sent as text.
class WasmModule {
  // Base64 up to the first damage: a cut or altered text still gives the
  // bytes before it, which the module then reads as far as they go.
  static decodeBase64(text) {
    if (typeof Uint8Array.fromBase64 === "function") {
      try {
        return Uint8Array.fromBase64(text);
      } catch (e) {
        // Damaged: the slow way below keeps what comes before the damage.
      }
    }
    let clean = text.replace(/\s+/g, "");
    const bad = clean.search(/[^A-Za-z0-9+/=]/);
    if (bad >= 0) clean = clean.slice(0, bad);
    const pad = clean.indexOf("=");
    if (pad >= 0) clean = clean.slice(0, pad);
    clean = clean.slice(0, clean.length - (clean.length % 4 === 1 ? 1 : 0));
    const binary = atob(clean);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  static compile(base64) {
    return WebAssembly.compile(WasmModule.decodeBase64(base64));
  }

  // An error that says where it happened: a trap or an exception thrown
  // through the module, or in a callback the module made.
  static fault(where, error) {
    const message = error instanceof Error ? error.message : String(error);
    const fault = new Error(`${where}: ${message}`, { cause: error });
    fault.trap = error instanceof WebAssembly.RuntimeError;
    return fault;
  }

  // imports: the module's own ones (every call to the system answers ENOSYS);
  // input: the export that gives room for bytes in; onFault(fault): what a
  // faulty call answers, or throws (by default, the fault itself).
  constructor(compiled, imports, input, onFault = (fault) => { throw fault; }) {
    const system = new Proxy({}, { get: () => () => 52 /* ENOSYS */ });
    this.exports = new WebAssembly.Instance(
      compiled, { ...imports, wasi_snapshot_preview1: system }).exports;
    this.inputExport = input;
    this.onFault = onFault;
  }

  call(name, ...args) {
    try {
      return this.exports[name](...args);
    } catch (e) {
      return this.onFault(WasmModule.fault(name, e));
    }
  }

  // The module's memory at at: a view good until the memory grows (any call).
  bytes(at, length) {
    return new Uint8Array(this.exports.memory.buffer, at, length);
  }

  // Room in the module's input for size bytes, or null when it has none.
  room(size) {
    const at = this.call(this.inputExport, size);
    return at > 0 || size === 0 ? this.bytes(Math.max(at, 0), size) : null;
  }

  // The bytes copied into the module's input, where they now are; null when
  // it has no room for them.
  input(bytes) {
    const target = this.room(bytes.length);
    if (target) target.set(bytes);
    return target;
  }
}
