// The dashboard in a real browser: a running varnex-line with a small hand-computed set of
// runs, loaded by headless Chromium; the charts must be drawn with the expected numbers, the
// stations show their alarms, and the search finds a phone with its rows. The same dashboard
// behind the log-on (--require-login): the browser is sent to the log-on page, a wrong password
// is refused, a viewer's log-on shows the charts. A second service on the port does not start.
// Screenshots of the views are kept in the artifact folder.
//   node dashboard-test.mjs <varnex-line> <artifact folder>
import { spawn, spawnSync, execFileSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { randomUUID } from 'node:crypto';

const [program, artifacts] = process.argv.slice(2);
mkdirSync(artifacts, { recursive: true });
const work = mkdtempSync(join(tmpdir(), 'varnex-dashboard-'));
const db = join(work, 'line.db');
let passed = 0;
let failed = 0;

function check(what, ok, detail = '') {
  if (ok) {
    passed++;
  } else {
    failed++;
    console.log(`FAILED: ${what} ${detail}`);
  }
}

function localTime(ms) {
  // The stations' clock runs at +08:00.
  const shifted = new Date(ms + 8 * 3600000).toISOString();
  return shifted.replace('Z', '+08:00');
}

// DASH-3 still expects the older AP version; `measured` rows carry values.
function record(station, startedMs, imei, failing = [], measured = []) {
  const items = ['IMEI1', 'SIM Card', 'Charge Current', 'AUX Voltage 3.6'];
  const ap = station === 'DASH-3' ? 'VARNEX_AP_W0.9_20261001' : 'VARNEX_AP_W1.0_20261201';
  return {
    schema: 'varnex.run/1', id: randomUUID(),
    station: { name: station, line: 'LINE-9', host: 'PC-' + station, program: 'Varnex', version: '1.0.0.1' },
    operator: 'tester', started: localTime(startedMs), ended: localTime(startedMs + 15000), durationMs: 15000,
    codes: { imei1: imei, imei2: '', imei3: '', sn1: 'SN' + imei.slice(-6), sn2: '', bt: '', wifi: '' },
    outcome: failing.length ? 'FAIL' : 'PASS', counted: true,
    rows: items.map((item) => ({ item, expected: '---', result: failing.includes(item) ? 'FAIL' : 'PASS',
                                 detail: failing.includes(item) ? 'No SIM Card!' : 'ok' }))
      .concat({ item: 'AP Version', expected: ap, result: 'PASS', detail: 'AP Version: ' + ap },
              measured.map(([item, value, unit, low, high]) => ({ item, expected: `Lo Lim:${low} Hi Lim: ${high} ${unit}`,
                result: 'PASS', detail: String(value), value, unit, low, high }))),
  };
}

// Headless Chromium driven over its DevTools pipe (fd 3 in, fd 4 out, messages ended by NUL):
// a page that can fill in and send the log-on form.
function browser() {
  const profile = mkdtempSync(join(work, 'chromium-'));
  const child = spawn('/usr/bin/chromium', ['--headless', '--no-sandbox', '--disable-gpu',
    '--no-first-run', '--remote-debugging-pipe', `--user-data-dir=${profile}`,
    '--window-size=1400,1100'], { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
  const waiting = new Map();
  let next = 0;
  let input = '';
  child.stdio[4].on('data', (chunk) => {
    input += chunk;
    for (let end; (end = input.indexOf('\0')) >= 0; input = input.slice(end + 1)) {
      const message = JSON.parse(input.slice(0, end));
      if (waiting.has(message.id)) waiting.get(message.id)(message);
    }
  });
  const send = (method, params = {}, sessionId) => new Promise((resolve) => {
    waiting.set(++next, resolve);
    child.stdio[3].write(JSON.stringify({ id: next, method, params, sessionId }) + '\0');
  });
  return {
    async open(url) {
      const { result } = await send('Target.createTarget', { url });
      const attached = await send('Target.attachToTarget', { targetId: result.targetId, flatten: true });
      const session = attached.result.sessionId;
      const evaluate = async (expression) => {  // undefined while the page changes
        const answer = await send('Runtime.evaluate', { expression, returnByValue: true }, session);
        return answer.result && answer.result.result ? answer.result.result.value : undefined;
      };
      const until = async (expression, seconds = 30) => {
        for (let i = 0; i < seconds * 10; i++) {
          if (await evaluate(expression)) return true;
          await new Promise((r) => setTimeout(r, 100));
        }
        return false;
      };
      const screenshot = async (file) => {
        const shot = await send('Page.captureScreenshot', {}, session);
        writeFileSync(file, Buffer.from(shot.result.data, 'base64'));
      };
      return { evaluate, until, screenshot };
    },
    close() {  // resolves once Chromium has ended (and stopped writing its profile)
      const ended = new Promise((resolve) => child.once('exit', resolve));
      child.kill('SIGTERM');
      return ended;
    },
  };
}

function chromium(url, extra) {
  const profile = mkdtempSync(join(work, 'chromium-'));
  const result = spawnSync('/usr/bin/chromium', [
    '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--hide-scrollbars', `--user-data-dir=${profile}`, '--window-size=1400,1100',
    '--virtual-time-budget=10000', ...extra, url], { encoding: 'utf8', timeout: 120000, maxBuffer: 1 << 26 });
  if (result.status !== 0) console.log(result.stderr);
  return result.stdout;
}

// The text rows (<td> cells) of the first <table> inside the element with this id.
function tableRows(html, id) {
  const start = html.indexOf(`id="${id}"`);
  if (start < 0) return [];
  const end = html.indexOf('</table>', start);
  const part = html.slice(start, end);
  return [...part.matchAll(/<tr[^>]*>(.*?)<\/tr>/gs)].map((row) =>
    [...row[1].matchAll(/<td[^>]*>(.*?)<\/td>/gs)].map((c) => c[1].replace(/<[^>]+>/g, '')))
    .filter((cells) => cells.length > 0);
}

const server = spawn(program, ['serve', '--db', db, '--listen', '127.0.0.1:0', '--quiet']);
let guarded = null;
let pages = null;
const serving = (service) => new Promise((resolve, reject) => {
  let output = '';
  service.stdout.on('data', (chunk) => {
    output += chunk;
    const found = output.match(/serving (http:\/\/[^/]+\/)/);
    if (found) resolve(found[1]);
  });
  service.on('exit', (code) => reject(new Error('varnex-line ended with ' + code)));
});
try {
  const token = execFileSync(program, ['token', 'add', 'DASH-1', '--db', db], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).trim();
  const token2 = execFileSync(program, ['token', 'add', 'DASH-2', '--db', db], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).trim();
  const token3 = execFileSync(program, ['token', 'add', 'DASH-3', '--db', db], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).trim();
  const token4 = execFileSync(program, ['token', 'add', 'DASH-4', '--db', db], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).trim();
  const base = await serving(server);

  // Every run inside one hour of the last day: DASH-1 checks P1 (fails on the SIM card, passes
  // the retest), P2 and P3 (pass): yield 3 of 4, first pass 2 of 3. DASH-2: Q1 passes, Q2 fails
  // on SIM card and charge current. DASH-3: one pass.
  const hour = Math.floor((Date.now() - 10 * 60000) / 3600000) * 3600000;
  const at = (minute) => hour + minute * 60000 + 1000;
  const posts = [
    [token, record('DASH-1', at(1), '861000000000011', ['SIM Card'])],
    [token, record('DASH-1', at(2), '861000000000011')],
    [token, record('DASH-1', at(3), '861000000000029')],
    [token, record('DASH-1', at(4), '861000000000037')],
    [token2, record('DASH-2', at(5), '862000000000011')],
    [token2, record('DASH-2', at(6), '862000000000029', ['SIM Card', 'Charge Current'])],
    [token3, record('DASH-3', at(7), '863000000000011')],
  ];
  for (const [bearer, body] of posts) {
    const response = await fetch(base + 'api/v1/runs', {
      method: 'POST', headers: { Authorization: 'Bearer ' + bearer }, body: JSON.stringify(body) });
    check('record stored', response.status === 201, String(response.status));
  }

  const overview = chromium(base, ['--dump-dom']);
  check('yield chart drawn', /id="yield-chart"[^>]*data-rendered=/.test(overview));
  check('pareto chart drawn', /id="pareto-chart"[^>]*data-rendered=/.test(overview));
  check('no problem shown', /id="problem"[^>]*hidden/.test(overview));
  const yieldRows = tableRows(overview, 'yield-chart');
  const row = (station) => yieldRows.find((r) => r[0] === station) || [];
  check('DASH-1 yield and first-pass yield', JSON.stringify(row('DASH-1').slice(2)) ===
        JSON.stringify(['4', '75.0 %', '3', '66.7 %']), JSON.stringify(row('DASH-1')));
  check('DASH-2 yield', JSON.stringify(row('DASH-2').slice(2)) ===
        JSON.stringify(['2', '50.0 %', '2', '50.0 %']), JSON.stringify(row('DASH-2')));
  check('line yield', JSON.stringify(row('Line').slice(2)) ===
        JSON.stringify(['7', '71.4 %', '6', '66.7 %']), JSON.stringify(row('Line')));
  const pareto = tableRows(overview, 'pareto-chart');
  check('pareto ranks SIM Card first', JSON.stringify(pareto) === JSON.stringify([
    ['SIM Card', '2', '66.7 %', '66.7 %'], ['Charge Current', '1', '33.3 %', '100.0 %']]),
    JSON.stringify(pareto));
  const stations = tableRows(overview, 'stations');
  const alarms = stations.map((r) => r[0] + ':' + r[6]).join(' ');
  check('alarms per station', alarms === 'DASH-1:ALARM DASH-2:ALARM DASH-3:OK', alarms);
  check('last 1000 of DASH-1', stations[0] && stations[0][5] === '1 / 4 (25.0 %)', JSON.stringify(stations[0]));
  chromium(base, [`--screenshot=${join(artifacts, 'dashboard.png')}`]);

  const searchUrl = base + '?q=861000000000011';
  const found = chromium(searchUrl, ['--dump-dom']);
  check('search counts the phone\'s runs', found.includes('2 runs of 861000000000011'));
  const firstRun = found.slice(found.indexOf('<details'), found.indexOf('</details>'));
  check('newest run first, open, with its rows', firstRun.includes('open') && firstRun.includes('PASS') &&
        firstRun.includes('AUX Voltage 3.6'));
  check('failing row of the first attempt shown', /<tr class="FAIL"><td>SIM Card<\/td>/.test(found));
  const bySn = chromium(base + '?q=SN000029', ['--dump-dom']);
  check('search by serial number', bySn.includes('2 runs of SN000029'));  // P2 and Q2
  chromium(searchUrl, [`--screenshot=${join(artifacts, 'dashboard-search.png')}`]);

  // Then DASH-4 measures its charge current (440 to 472 mA) eleven times: 449 and 451 five times
  // each in turn, then 470. Mean 451.818, moving ranges 2 (nine) and 19: mean 3.7, sigma 3.280;
  // Cpk (451.818 - 440) / 9.840 = 1.20, Ppk with the stdev 6.113: 0.64. The ten values below the
  // centre signal at points 7, 8, 9 (rule 4), 470 is 5.5 sigma above it (rule 1): a drift. Its AUX
  // voltage (3600 and 3640 in turn) has the worst Cpk, FGU Type none (equal values).
  for (const [i, value] of [449, 451, 449, 451, 449, 451, 449, 451, 449, 451, 470].entries()) {
    const response = await fetch(base + 'api/v1/runs', { method: 'POST', headers: { Authorization: 'Bearer ' + token4 },
      body: JSON.stringify(record('DASH-4', at(8) + i * 5000, '86400000000' + (1000 + i), [], [
        ['Charge Current', value, 'mA', 440, 472], ['AUX Voltage 3.6', 3600 + 40 * (i % 2), 'mV', 3550, 3650],
        ['FGU Type', 1, '', 1, 1]])) });
    check('measured record stored', response.status === 201, String(response.status));
  }
  pages = browser();
  const view = await pages.open(base + '?refresh=2');  // the service works drift out anew every few seconds
  const rowsOf = (id) => view.evaluate(`[...document.querySelectorAll('#${id} tbody tr')].map((r) =>
    [r.className, ...[...r.cells].map((c) => c.textContent + (c.classList.contains('cpk') ? '|' + c.className : ''))])`);
  check('the measurements are listed', await view.until("document.querySelectorAll('#measurements tbody tr').length === 3"));
  const measured = await rowsOf('measurements');
  check('worst Cpk first, none last', measured.map((r) => r[2]).join() === 'AUX Voltage 3.6,Charge Current,FGU Type');
  check('the hand-computed Cpk of the charge current', JSON.stringify(measured[1].slice(1)) === JSON.stringify(['DASH-4',
    'Charge Current', '440\u2013472 mA', '11', '451.8 mA', '0', '1.20|number cpk watch', '0.64|number cpk act']), JSON.stringify(measured[1]));
  await view.evaluate(`document.querySelectorAll('#measurements tbody tr')[1].dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter' }))`);
  check('Enter on a row charts it', await view.until(`document.getElementById('detail-title').textContent === 'DASH-4: Charge Current' &&
    (Chart.getChart('control-chart')?.data.datasets[0].data || []).join() === '449,451,449,451,449,451,449,451,449,451,470'`));
  const drawn = await view.evaluate(`(() => { const c = Chart.getChart('control-chart'), h = Chart.getChart('histogram-chart');
    const line = (label) => [...new Set(c.data.datasets.find((d) => d.label === label).data)].join();
    return { low: line('low limit'), high: line('high limit'), marked: c.data.datasets[0].pointRadius.flatMap((r, i) => (r > 2 ? [i] : [])).join(),
             signals: document.getElementById('signals').textContent, bins: h.data.datasets[0].data.join(),
             marks: document.getElementById('histogram-chart').marks.map((m) => m.label).join() }; })()`);
  check('the control chart shows the limits and marks the signals', drawn.low === '440' && drawn.high === '472' &&
        drawn.marked === '7,8,9,10' && /Point 10 .*rule 1: .*Point 9 .*rule 4: /.test(drawn.signals), JSON.stringify(drawn));
  check('the histogram with its limits', drawn.bins === '0,0,0,0,0,5,5,0,0,0,0,0,1,0,0,0' && drawn.marks === 'low 440,high 472',
        JSON.stringify(drawn));
  const limits = (await rowsOf('limits')).map((r) => r.slice(0, 4).join('|'));
  check('the limits name the odd station', JSON.stringify(limits) === JSON.stringify([
    "reference|AP Version|DASH-1, DASH-2, DASH-4 (the line's reference)|VARNEX_AP_W1.0_20261201",
    'differs||DASH-3|VARNEX_AP_W0.9_20261001']), JSON.stringify(limits));
  await view.until("document.querySelector('#stations tr[data-station=DASH-4] td.drift') !== null");
  const drift = (await rowsOf('stations')).map((r) => r[1] + ':' + r[8].split(', ').sort().join('+')).join(' ');
  check('the stations show the drift', drift === 'DASH-1: DASH-2: DASH-3: DASH-4:AUX Voltage 3.6+Charge Current', drift);
  await view.screenshot(join(artifacts, 'dashboard-measurements.png'));

  // A second service on the port does not start, and says which address is taken.
  const taken = base.slice(7, -1);
  const second = spawnSync(program, ['serve', '--db', db, '--listen', taken], { encoding: 'utf8', timeout: 30000 });
  check('a second service on the port fails', second.status === 1 &&
        second.stderr.includes('cannot listen on ' + taken), second.stderr);

  // Behind the log-on: the same store, a viewer, and a browser that logs on.
  execFileSync(program, ['user', 'add', 'viewer', '--db', db], { input: 'line-viewer-7\n', stdio: ['pipe', 'ignore', 'ignore'] });
  guarded = spawn(program, ['serve', '--db', db, '--listen', '127.0.0.1:0', '--quiet', '--require-login']);
  const guardedBase = await serving(guarded);
  const page = await pages.open(guardedBase);
  check('the browser is sent to the log-on', await page.until("location.pathname === '/login.html'"));
  const logOn = (password) => page.evaluate(`document.querySelector('[name=user]').value = 'viewer';
    document.querySelector('[name=password]').value = '${password}';
    document.getElementById('logon').submit(); true`);
  await logOn('wrong-password');
  check('a wrong password is refused', await page.until("!document.getElementById('failed').hidden"));
  await logOn('line-viewer-7');
  check('the charts are drawn behind the log-on', await page.until(
    "document.querySelector('#yield-chart[data-rendered]') !== null && document.querySelector('#pareto-chart[data-rendered]') !== null"));
  const guardedView = await page.evaluate('document.documentElement.outerHTML');
  check('the viewer may log out', /id="viewer">viewer</.test(guardedView) && !/id="logout"[^>]*hidden/.test(guardedView));
  check('an open dashboard offers no log-out', /id="logout"[^>]*hidden/.test(overview));
  check('the same numbers behind the log-on', JSON.stringify(tableRows(guardedView, 'pareto-chart')) ===
        JSON.stringify(pareto), JSON.stringify(tableRows(guardedView, 'pareto-chart')));
  await page.screenshot(join(artifacts, 'dashboard-logged-on.png'));
} catch (error) {
  check('dashboard test ran', false, error.stack);
} finally {
  if (pages) await pages.close();
  if (guarded) guarded.kill('SIGTERM');
  server.kill('SIGTERM');
  rmSync(work, { recursive: true, force: true, maxRetries: 5, retryDelay: 200 });
}
console.log(`dashboard: ${passed} passed, ${failed} failed (screenshots in ${artifacts})`);
process.exit(failed === 0 ? 0 : 1);
