// The dashboard: reads the session and the enclosure, opens the live
// stream, and shows the page the address names (#/, #/events, ...).

import { api, describeError } from './api.js';
import { badge, h, replace } from './dom.js';
import { connectLive } from './live.js';
import { store } from './store.js';
import { arrayView } from './views/array.js';
import { diskView } from './views/disk.js';
import { eventsView } from './views/events.js';
import { firmwareView } from './views/firmware.js';
import { overview } from './views/overview.js';
import { schedulesView } from './views/schedules.js';
import { settingsView } from './views/settings.js';

const routes = [
  [/^#?\/?$/, overview, 'overview', []],
  [/^#\/events$/, eventsView, 'events', []],
  [/^#\/schedules$/, schedulesView, 'schedules', []],
  [/^#\/adapter\/(\d+)\/array\/(\d+)$/, arrayView, 'overview', ['adapter', 'array']],
  [/^#\/adapter\/(\d+)\/disk\/(\d+)$/, diskView, 'overview', ['adapter', 'disk']],
  [/^#\/adapter\/(\d+)\/settings$/, settingsView, 'overview', ['adapter']],
  [/^#\/adapter\/(\d+)\/firmware$/, firmwareView, 'overview', ['adapter']],
];

const main = document.getElementById('main');
let leaving = null;

function show() {
  leaving?.abort();
  leaving = new AbortController();
  for (const [pattern, view, nav, names] of routes) {
    const match = location.hash.match(pattern);
    if (!match) continue;
    const params = Object.fromEntries(names.map((name, i) => [name, match[i + 1]]));
    for (const link of document.querySelectorAll('[data-nav]')) {
      if (link.dataset.nav === nav) link.setAttribute('aria-current', 'page');
      else link.removeAttribute('aria-current');
    }
    view(main, params, leaving.signal);
    return;
  }
  replace(main, h('h1', {}, 'Nothing here'), h('p', {}, h('a', { href: '#/' }, 'Back to the overview')));
}

function showHealth(enclosure) {
  const tone = { 0: 'good', 1: 'attention', 2: 'bad' }[enclosure.verdict];
  replace(document.getElementById('health'), badge(tone, enclosure.verdict_text));
  document.title = `${enclosure.healthy ? '' : `(${enclosure.verdict_text}) `}zdbridge enclosure`;
}

async function start() {
  try {
    const session = await api.start();
    document.getElementById('controller').textContent =
      `zdmond ${session.zdmond_version} · controller: ${session.controller || 'not loaded'}`;
  } catch (error) {
    replace(main, h('h1', {}, 'zdmond cannot be reached'), h('p', {}, describeError(error)));
    return;
  }
  document.getElementById('logout').addEventListener('click', async () => {
    await api.del('/api/v1/session').catch(() => {});
    location.assign('/login');
  });
  store.addEventListener('enclosure', (event) => showHealth(event.detail));
  window.addEventListener('hashchange', () => {
    show();
    main.focus({ preventScroll: true });
  });
  show();
  // A refused stream: a lost session goes back to the login page (api does that), else it is tried again.
  const live = () => connectLive(document.getElementById('live'), () => {
    setTimeout(() => api.get('/api/v1/session').then(live, () => setTimeout(live, 5000)), 3000);
  });
  live();
  try {
    if (!store.enclosure) store.setEnclosure(await api.get('/api/v1/enclosure'));
  } catch (error) {
    replace(main, h('h1', {}, 'The enclosure cannot be read'), h('p', {}, describeError(error)));
  }
}

start();
