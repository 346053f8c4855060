// Schedules: the stored checks, initialisations and media patrols that
// zdmond starts when they are due; listed, added and removed.

import { api } from '../api.js';
import { h, replace } from '../dom.js';
import { guardedChange, showError, showOutcome } from '../dialogs.js';
import { store } from '../store.js';

const activities = [
  { value: 'check', text: 'Consistency check' },
  { value: 'fix', text: 'Check & fix' },
  { value: 'init', text: 'Initialisation (erases the array)' },
  { value: 'patrol', text: 'Media patrol of a disk' },
];
const repeats = ['once', 'daily', 'weekly', 'monthly'];
const weekdays = ['Sunday', 'Monday', 'Tuesday', 'Wednesday', 'Thursday', 'Friday', 'Saturday'];

export function scheduleTable(adapterId, schedules, onChange) {
  if (!schedules.length) return h('p', { class: 'muted' }, 'No schedules.');
  return h('table', { class: 'schedules' },
    h('thead', {}, h('tr', {}, ['Index', 'Target', 'Activity', 'When', 'Last start', 'Status', ''].map((t) => h('th', { scope: 'col' }, t)))),
    h('tbody', {}, schedules.map((s) => h('tr', {},
      h('td', {}, String(s.index)),
      h('td', {}, s.disk !== undefined ? `disk ${s.disk}` : `array ${s.array}`),
      h('td', {}, s.activity_text),
      h('td', {}, s.when_text),
      h('td', {}, s.last_start || '–'),
      h('td', {}, s.status_text, s.result ? ` · ${s.result_text}` : ''),
      h('td', {}, h('button', {
        type: 'button', class: 'quiet', id: `schedule-remove-${s.index}`,
        onclick: async () => {
          try {
            showOutcome(await api.del(`/api/v1/adapters/${adapterId}/schedules/${s.index}`));
            onChange();
          } catch (error) {
            showError(error, 'Remove schedule');
          }
        },
      }, 'Remove'))))));
}

// The form that adds a schedule; with arrayId the target is that array.
export function scheduleForm(adapterId, arrayId, onChange) {
  const id = (name) => `schedule-${name}`;
  const activity = h('select', { id: id('activity') }, activities
    .filter((a) => arrayId === null || a.value !== 'patrol')
    .map((a) => h('option', { value: a.value }, a.text)));
  const target = h('input', { id: id('target'), type: 'number', min: 0, value: arrayId ?? 0 });
  const repeat = h('select', { id: id('repeat') }, repeats.map((r) => h('option', { value: r }, r)));
  const at = h('input', { id: id('time'), type: 'time', required: true, value: '23:00' });
  const date = h('input', { id: id('date'), type: 'date' });
  const every = h('input', { id: id('every'), type: 'number', min: 1, value: 1 });
  const day = h('input', { id: id('day'), type: 'number', min: 0, max: 31, value: 0 });
  const dayLabel = h('label', { for: id('day') }, 'Day');
  const show = () => {
    date.closest('p').hidden = repeat.value !== 'once';
    every.closest('p').hidden = repeat.value === 'once';
    day.closest('p').hidden = repeat.value !== 'weekly' && repeat.value !== 'monthly';
    dayLabel.textContent = repeat.value === 'weekly' ? `Weekday (0 = ${weekdays[0]} … 6 = ${weekdays[6]})` : 'Day of the month';
  };
  const form = h('form', { class: 'schedule-form', 'aria-label': 'Add a schedule' },
    h('h3', {}, 'Add a schedule'),
    h('p', {}, h('label', { for: id('activity') }, 'Activity'), activity),
    arrayId === null ? h('p', {}, h('label', { for: id('target') }, 'Array (disk for a patrol)'), target) : null,
    h('p', {}, h('label', { for: id('repeat') }, 'Repeat'), repeat),
    h('p', {}, h('label', { for: id('time') }, 'Time'), at),
    h('p', {}, h('label', { for: id('date') }, 'Date'), date),
    h('p', {}, h('label', { for: id('every') }, 'Every (days, weeks or months)'), every),
    h('p', {}, dayLabel, day),
    h('button', { type: 'submit', id: id('add') }, 'Add schedule'));
  repeat.addEventListener('change', show);
  form.addEventListener('submit', async (event) => {
    event.preventDefault();
    const targetId = arrayId ?? Number(target.value);
    const body = {
      activity: activity.value,
      [activity.value === 'patrol' ? 'disk' : 'array']: targetId,
      repeat: repeat.value,
      time: at.value.replace(':', ''),
      ...(repeat.value === 'once' ? { date: date.value.replaceAll('-', '') } : { every: Number(every.value) }),
      ...(repeat.value === 'weekly' || repeat.value === 'monthly' ? { day: Number(day.value) } : {}),
    };
    try {
      if (await guardedChange(api, `/api/v1/adapters/${adapterId}/schedules`, body, 'Add schedule')) onChange();
    } catch (error) {
      showError(error, 'Add schedule');
    }
  });
  queueMicrotask(show);
  return form;
}

export function schedulesView(main, params, signal) {
  const lists = h('div');
  const forms = h('div');
  replace(main, h('h1', {}, 'Schedules'),
    h('p', {}, 'zdmond starts each schedule when it is due (it checks once a cycle).'), lists, forms);
  const refresh = async () => {
    const adapters = store.enclosure ? store.enclosure.adapters : [];
    const sections = [];
    for (const adapter of adapters) {
      try {
        const answer = await api.get(`/api/v1/adapters/${adapter.id}/schedules`);
        sections.push(h('section', {}, h('h2', {}, `Adapter ${adapter.id}`), scheduleTable(adapter.id, answer.schedules, refresh)));
      } catch (error) {
        showError(error, `Schedules of adapter ${adapter.id}`);
      }
    }
    if (!signal.aborted) replace(lists, sections.length ? sections : h('p', {}, 'No adapters.'));
    if (!forms.childElementCount && adapters.length) forms.append(scheduleForm(adapters[0].id, null, refresh));
  };
  refresh();
  store.on('enclosure', () => { if (!lists.childElementCount) refresh(); }, signal);
}
