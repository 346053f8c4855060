// What the page knows: the latest enclosure, and who wants to hear of changes.

class Store extends EventTarget {
  constructor() {
    super();
    this.enclosure = null;
    this.firmware = null;
  }

  setEnclosure(enclosure) {
    this.enclosure = enclosure;
    this.emit('enclosure', enclosure);
  }

  addEvent(event) { this.emit('history', event); }

  setFirmware(state) {
    this.firmware = state;
    this.emit('firmware', state);
  }

  emit(name, detail) { this.dispatchEvent(new CustomEvent(name, { detail })); }

  // Listens until the signal aborts (a view leaving the page).
  on(name, handler, signal) {
    this.addEventListener(name, (event) => handler(event.detail), { signal });
  }

  adapter(id) {
    return this.enclosure ? this.enclosure.adapters.find((adapter) => adapter.id === Number(id)) : undefined;
  }
}

export const store = new Store();
