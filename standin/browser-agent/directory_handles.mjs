// The page's side of the directory handles the host posts, an init script run
// before the page bridge in every document. As the runtime hands them to page
// script: read access as
// posted; write access as the stand-in says (a read-write handle on this page at
// or above the folder, or the host's answer to PermissionRequested); children
// by name. The model reads and writes no files: once allowed, an operation
// fails with NotSupportedError.
export const directoryHandleModel = () => {
  const writeAccess = async (path, ask) =>
    (await window.__quorrinEvent('FileWriteAccess', { path, ask })).access ?? 'denied';
  const notAllowed = () => new DOMException(
    'The request is not allowed by the user agent or the platform in the current context.', 'NotAllowedError');
  const needsWriteAccess = async (path) => {
    if (await writeAccess(path, true) !== 'granted') throw notAllowed();
  };
  const notModelled = (what) => Promise.reject(
    new DOMException(`the stand-in runtime does not ${what} files`, 'NotSupportedError'));
  const modeOf = (descriptor) => (descriptor && descriptor.mode === 'readwrite' ? 'readwrite' : 'read');

  class ModelHandle {
    #path;
    constructor(kind, path) {
      this.#path = path;
      Object.defineProperties(this, { kind: { value: kind, enumerable: true },
        name: { value: path.replace(/\\+$/, '').split('\\').pop(), enumerable: true } });
    }
    get modelPath() { return this.#path; }
    async queryPermission(descriptor) {
      return modeOf(descriptor) === 'read' ? 'granted' : writeAccess(this.#path, false);
    }
    async requestPermission(descriptor) {
      return modeOf(descriptor) === 'read' ? 'granted' : writeAccess(this.#path, true);
    }
    async isSameEntry(other) {
      return other instanceof ModelHandle && other.kind === this.kind &&
        other.modelPath.toLowerCase() === this.#path.toLowerCase();
    }
  }

  class ModelFileHandle extends ModelHandle {
    constructor(path) { super('file', path); }
    async getFile() { return notModelled('read'); }
    async createWritable() {
      await needsWriteAccess(this.modelPath);
      return notModelled('write');
    }
  }

  class ModelDirectoryHandle extends ModelHandle {
    constructor(path) { super('directory', path); }
    childPath(name) {
      const text = String(name);
      if (text === '' || text === '.' || text === '..' || /[\\/]/.test(text)) throw new TypeError(`Name is not allowed: ${text}`);
      return this.modelPath.replace(/\\*$/, '\\') + text;
    }
    async getDirectoryHandle(name, { create = false } = {}) {
      const path = this.childPath(name);
      if (create) await needsWriteAccess(this.modelPath);
      return new ModelDirectoryHandle(path);
    }
    async getFileHandle(name, { create = false } = {}) {
      const path = this.childPath(name);
      if (create) await needsWriteAccess(this.modelPath);
      return new ModelFileHandle(path);
    }
    async removeEntry(name) {
      this.childPath(name);
      await needsWriteAccess(this.modelPath);
      return notModelled('remove');
    }
  }
  Object.defineProperty(window, '__quorrinDirectoryHandle', { value: (path) => new ModelDirectoryHandle(path) });
};
