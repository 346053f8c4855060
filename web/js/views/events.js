// Events: zdmond's history, filtered by adapter, severity and time; new
// events arrive live at the top.

import { api } from '../api.js';
import { badge, h, replace } from '../dom.js';
import { showError } from '../dialogs.js';
import { time } from '../format.js';
import { store } from '../store.js';

const severities = { info: 2, warning: 3, critical: 6 };
const spans = [['1h', 'the last hour', 3600], ['24h', 'the last day', 86400], ['7d', 'the last week', 604800], ['', 'all time', 0]];

function row(event, fresh) {
  const what = event.name || (event.data && event.data.class_text ? `${event.data.class_text} ${event.code}` : `class ${event.class} code ${event.code}`);
  return h('tr', { class: fresh ? 'fresh' : '', dataset: { id: event.id } },
    h('td', {}, time(event.time)),
    h('td', {}, String(event.adapter)),
    h('td', {}, badge(event.tone, event.severity_text || String(event.severity))),
    h('td', {}, event.source),
    h('td', {}, what),
    h('td', {}, event.message, fresh ? h('span', { class: 'new' }, ' (new)') : null));
}

export function eventsView(main, params, signal) {
  const adapter = h('select', { id: 'filter-adapter' }, h('option', { value: '' }, 'all'),
    (store.enclosure ? store.enclosure.adapters : []).map((a) => h('option', { value: a.id }, `adapter ${a.id}`)));
  const severity = h('select', { id: 'filter-severity' }, h('option', { value: 'info' }, 'info and above'),
    h('option', { value: 'warning' }, 'warning and above'), h('option', { value: 'critical' }, 'critical'));
  const since = h('select', { id: 'filter-since' }, spans.map(([value, text]) => h('option', { value, selected: value === '24h' }, text)));
  const body = h('tbody', { id: 'events-body' });
  const count = h('p', { id: 'events-count', class: 'muted', 'aria-live': 'polite' });
  let sinceTime = 0;
  const counted = () => { count.textContent = `${body.rows.length} event(s); new ones appear at the top.`; };

  const load = async () => {
    const query = new URLSearchParams({ severity: severity.value, limit: '500' });
    if (adapter.value !== '') query.set('adapter', adapter.value);
    if (since.value) query.set('since', since.value);
    try {
      const answer = await api.get(`/api/v1/events?${query}`);
      const span = spans.find(([value]) => value === since.value)[2];
      sinceTime = span ? Date.now() / 1000 - span : 0;
      replace(body, answer.events.slice().reverse().map((e) => row(e, false)));
      counted();
    } catch (error) {
      showError(error, 'Reading the history');
    }
  };
  for (const control of [adapter, severity, since]) control.addEventListener('change', load);

  replace(main, h('h1', {}, 'Events'),
    h('form', { class: 'filters', 'aria-label': 'Filter events' },
      h('p', {}, h('label', { for: 'filter-adapter' }, 'Adapter'), adapter),
      h('p', {}, h('label', { for: 'filter-severity' }, 'Severity'), severity),
      h('p', {}, h('label', { for: 'filter-since' }, 'Since'), since)),
    count,
    h('table', { id: 'events' },
      h('thead', {}, h('tr', {}, ['Time', 'Adapter', 'Severity', 'Source', 'Event', 'Message'].map((t) => h('th', { scope: 'col' }, t)))),
      body));
  load();
  store.on('history', (event) => {
    if (adapter.value !== '' && event.adapter !== Number(adapter.value)) return;
    if (event.severity < severities[severity.value]) return;
    if (event.time < sinceTime) return;
    if ([...body.rows].some((r) => r.dataset.id === String(event.id))) return;  // already read with the page
    body.prepend(row(event, true));
    counted();
  }, signal);
  store.on('resync', load, signal);
}
