// Live updates: zdmond's event stream (Server-Sent Events). The enclosure
// arrives after every monitoring cycle and after every change; stored events
// and firmware progress as they happen. The browser reconnects by itself
// after a cut; a refused stream (zdmond restarted and forgot the session,
// say) is left to onClosed.

import { store } from './store.js';

// onClosed: the browser gave up (the stream was refused, not just cut).
export function connectLive(statusElement, onClosed) {
  const source = new EventSource('/api/v1/events/stream', { withCredentials: true });
  const show = (text, state) => {
    statusElement.textContent = text;
    statusElement.dataset.state = state;
  };
  source.addEventListener('open', () => show('Live', 'open'));
  source.addEventListener('error', () => {
    show('Reconnecting…', 'lost');
    if (source.readyState === EventSource.CLOSED) onClosed();
  });
  source.addEventListener('enclosure', (event) => store.setEnclosure(JSON.parse(event.data)));
  source.addEventListener('history', (event) => store.addEvent(JSON.parse(event.data)));
  source.addEventListener('firmware', (event) => store.setFirmware(JSON.parse(event.data)));
  source.addEventListener('resync', () => store.emit('resync'));
  return source;
}
