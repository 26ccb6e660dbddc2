// A sign's LEDs on a canvas, as the virtual sign paints them: round LEDs on a dark face, red,
// green or yellow, dimmed by the brightness the sign was given, all dark while the sign is off.
// Beside it the same frame as text (its LED rows), for screen readers and for copying.
import {el, setText} from './dom.js';
import {t} from './texts.js';

const kColours = {
  R: [255, 40, 24],
  G: [40, 235, 60],
  Y: [255, 205, 30]
};
const kFace = '#0c0d0e';
const kUnlit = '#26292c';
const kMaxPitch = 14;   // CSS pixels per LED at most
const kMinShare = 0.2;  // the dimmest level still reads as lit

// The fill of an LED of character C at brightness SHARE (0..1); null for an unlit one.
export function ledColour(c, share) {
  const rgb = kColours[c];
  if (!rgb) return null;
  const k = kMinShare + (1 - kMinShare) * Math.min(1, Math.max(0, share));
  return `rgb(${rgb.map((v) => Math.round(v * k)).join(',')})`;
}

// A frame as the service gives it (LED rows, one a line) as the rows to paint.
export function frameRows(text) {
  return text.split('\n').filter((row) => row.length > 0);
}

// How bright SIGN shows its LEDs (0..1): the level it was given, full when none was.
export function shareOf(sign) {
  return (sign.settings?.brightness?.level ?? 10) / 10;
}

export class LedView {
  constructor(label) {
    this.canvas = el('canvas', {className: 'leds', role: 'img', 'aria-label': label, width: 1, height: 1});
    this.text = el('pre', {className: 'led-rows'});
    this.node =
        el('figure', {className: 'led-view'}, this.canvas,
           el('details', {}, el('summary', {}, t('live.rows')), this.text));
    this.rows = [];
  }

  // Paints ROWS (strings of '.', 'R', 'G', 'Y'), each LED PITCH CSS pixels; DARK paints none lit.
  show(rows, {share = 1, dark = false, pitch = 0} = {}) {
    this.rows = rows;
    const columns = Math.max(1, ...rows.map((r) => r.length));
    const room = this.node.clientWidth || columns * kMaxPitch;
    const p = pitch || Math.max(2, Math.min(kMaxPitch, Math.floor(room / columns)));
    this.pitch = p;
    this.canvas.width = columns * p;
    this.canvas.height = Math.max(1, rows.length) * p;
    const g = this.canvas.getContext('2d');
    g.fillStyle = kFace;
    g.fillRect(0, 0, this.canvas.width, this.canvas.height);
    const radius = Math.max(0.8, p * 0.42);
    rows.forEach((row, y) => {
      for (let x = 0; x < row.length; x++) {
        g.fillStyle = (!dark && ledColour(row[x], share)) || kUnlit;
        g.beginPath();
        g.arc(x * p + p / 2, y * p + p / 2, radius, 0, 2 * Math.PI);
        g.fill();
      }
    });
    setText(this.text, dark ? rows.map((r) => '.'.repeat(r.length)).join('\n') : rows.join('\n'));
  }
}
