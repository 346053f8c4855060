// Firmware: upload an image, see the check against the adapter (device id,
// version), confirm by typing the running version, follow the flash.

import { api } from '../api.js';
import { badge, h, replace } from '../dom.js';
import { confirmPlan, showError, showOutcome } from '../dialogs.js';
import { store } from '../store.js';

const verdictTones = { fits: 'good', downgrade: 'attention', same_version: 'attention', wrong_device: 'bad', rejected: 'bad' };

export function firmwareView(main, { adapter: adapterId }, signal) {
  const base = `/api/v1/adapters/${adapterId}/firmware`;
  const file = h('input', { id: 'firmware-file', type: 'file' });
  const transfer = h('progress', { id: 'firmware-transfer', max: 100, value: 0, 'aria-label': 'Transfer of the image' });
  const check = h('div', { id: 'firmware-check' });
  const flash = h('div', { id: 'firmware-flash', 'aria-live': 'polite' });
  const send = h('button', { type: 'submit', id: 'firmware-upload' }, 'Upload and check');

  const showFlash = (state) => {
    if (!state || state.adapter !== Number(adapterId) || state.state === 'idle') return;
    const text = { running: `Flashing ${state.version}: ${state.percent} %`, finished: `Flashed ${state.version}.`,
      failed: `The upload failed: ${state.error ? state.error.message : ''}` }[state.state];
    replace(flash, h('progress', { max: 100, value: state.percent, 'aria-label': 'Firmware upload progress' }),
      badge(state.state === 'failed' ? 'bad' : state.state === 'finished' ? 'good' : 'attention', text));
    if (state.state === 'finished' && state.outcome) showOutcome(state.outcome);
  };

  const form = h('form', { 'aria-label': 'Firmware image' },
    h('p', {}, h('label', { for: 'firmware-file' }, 'Firmware image'), file),
    send, ' ', transfer);
  form.addEventListener('submit', async (event) => {
    event.preventDefault();
    if (!file.files.length) return;
    send.disabled = true;
    replace(check);
    try {
      const answer = await api.upload(base, file.files[0], (percent) => { transfer.value = percent; });
      const fw = answer.firmware;
      replace(check,
        h('dl', { class: 'facts-grid' },
          h('dt', {}, 'Version'), h('dd', {}, `${fw.version} (running: ${fw.adapter_firmware})`),
          h('dt', {}, 'Device'), h('dd', {}, `${fw.device_id} (adapter: ${fw.adapter_device_id})`),
          h('dt', {}, 'Check'), h('dd', { id: 'firmware-verdict' }, badge(verdictTones[fw.verdict], fw.verdict_text))),
        h('button', {
          type: 'button', id: 'firmware-flash-go', class: 'danger',
          onclick: async () => {
            const consent = await confirmPlan(answer.plan, 'Flash the firmware');
            if (!consent) return;
            try {
              showFlash(await api.post(`${base}/${answer.upload}/flash`, consent));
            } catch (error) {
              showError(error, 'Flash');
            }
          },
        }, 'Flash…'));
    } catch (error) {
      showError(error, 'Upload');
    } finally {
      send.disabled = false;
    }
  });

  replace(main,
    h('p', { class: 'crumbs' }, h('a', { href: '#/' }, 'Overview'), ` › Adapter ${adapterId} › Firmware`),
    h('h1', {}, `Firmware of adapter ${adapterId}`),
    h('p', {}, 'The image is checked against the adapter before anything is written: an image for another device is ',
      'refused, an older or the same version needs the downgrade override. Keep the adapter powered until the upload ends.'),
    form, check, flash);
  showFlash(store.firmware);
  store.on('firmware', showFlash, signal);
}
