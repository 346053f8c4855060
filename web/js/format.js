// Numbers for people: sizes come from the controller in 512-byte sectors.

const units = ['B', 'KiB', 'MiB', 'GiB', 'TiB', 'PiB'];

export function size(sectors) {
  let value = Number(sectors) * 512;
  let unit = 0;
  while (value >= 1024 && unit < units.length - 1) {
    value /= 1024;
    unit += 1;
  }
  return `${unit === 0 ? value : value.toFixed(1)} ${units[unit]}`;
}

export function time(seconds) {
  if (!seconds) return '–';
  return new Date(seconds * 1000).toLocaleString(undefined, { dateStyle: 'medium', timeStyle: 'medium' });
}

// "Rebuild, running" from an activity of the JSON form.
export function activityText(activity) {
  if (!activity) return 'none';
  return `${activity.type_text}, ${activity.status_text}`;
}

export function list(ids) {
  return ids && ids.length ? ids.join(', ') : '–';
}
