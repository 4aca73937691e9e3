// The web page in Debian's chromium and firefox-esr, headless, driven by
// puppeteer-core:
//   - the hash mode renders the first frames and prints exactly the lines
//     the Linux build's glimmerfall-capture --hashes prints (the whole show
//     in chromium, the first FIREFOX_FRAMES in firefox);
//   - in real time, with sound allowed: the loading picture, the click, then
//     frames that change while the music clock advances from 0 with the
//     music; F and a double-click toggle full screen; a tab in the background
//     comes back in time with the music; Escape offers to play again;
//   - a browser that cannot play sound (firefox without a device) still
//     plays the show, silent, in real time;
//   - a data file the server does not have gives the native build's message
//     on the page (chromium).
// No console error may appear in any of them.
//
// node page_test.mjs DIST REFERENCE CAPTURE FRAMES SHOTS FIREFOX_FRAMES
//   DIST            the built page (dist/web)
//   REFERENCE       the Linux build's hash lines
//   CAPTURE         the Linux build's glimmerfall-capture, run here without the file
//   FRAMES          how many frames to compare in chromium
//   SHOTS           folder for the screenshots
//   FIREFOX_FRAMES  how many in firefox; 0 leaves firefox out
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

import { launch, serve } from "./harness.mjs";

const [dist, referenceFile, capture, framesText, shots, firefoxText = "0"] = process.argv.slice(2);
const MISSING = "skog.jpg"; // a picture the show loads at start-up
// How far the music clock may be from the audio context's own time: the
// device's buffers and the output's latency, about 0.1 s in these browsers.
const SYNC_SECONDS = 0.25;

let failures = 0;
function check(ok, what) {
  console.log((ok ? "ok   " : "FAIL ") + what);
  if (!ok) failures++;
}
const sleep = (ms) => new Promise((ok) => setTimeout(ok, ms));

let hidden = null; // the data file the server loses, while a test wants it
const server = await serve(dist, (name) => hidden !== null && name === "/data/" + hidden);

// A new page whose console errors and uncaught exceptions are collected.
async function openPage(browser, url) {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  const errors = [];
  page.on("console", (m) => {
    // The one request a test makes fail is the browser's to report, not an error of the page.
    const url = (m.location() && m.location().url) || "";
    if (m.type() === "error" && !(hidden && (url.endsWith("/data/" + encodeURIComponent(hidden)) ||
                                             m.text().includes("404"))))
      errors.push(m.text() + " " + url);
  });
  page.on("pageerror", (e) => errors.push(String(e)));
  await page.goto(server.base + url);
  return { page, errors };
}

// ---- The first frames' hashes against the Linux build's
async function testHashes(browser, name, frames) {
  const reference = fs.readFileSync(referenceFile, "utf8").split("\n").filter(Boolean).slice(0, frames);
  const started = Date.now();
  const { page, errors } = await openPage(browser, `index.html?hashes=${frames}`);
  await page.waitForFunction(() => document.title === "done", { timeout: 0, polling: 1000 });
  const seconds = (Date.now() - started) / 1000;
  const lines = (await page.$eval("#hashes", (e) => e.textContent)).split("\n").filter(Boolean);
  let differ = 0, first = -1;
  for (let i = 0; i < Math.max(lines.length, reference.length); i++) {
    if (lines[i] !== reference[i]) { differ++; if (first < 0) first = i; }
  }
  console.log(`${name} hash mode: ${lines.length} lines in ${seconds.toFixed(1)} s ` +
              `(${(lines.length / seconds).toFixed(0)} frames/s), ${differ} differ`);
  if (first >= 0) console.log(`  first difference at line ${first}: page "${lines[first]}", Linux "${reference[first]}"`);
  check(lines.length === frames && reference.length === frames, `${name}: ${frames} lines on both sides`);
  check(differ === 0, `${name}: every frame's hash equals the Linux build's`);
  check(errors.length === 0, `${name}: no console error in the hash mode ` + errors.join(" | "));
  await page.close();
}

// The music clock and the audio context's time since the music started,
// read together, seconds.
function readClocks(page) {
  return page.evaluate(() => ({ music: window.glimmerfall.musicSeconds(),
                                audio: window.glimmerfall.audioSeconds(), wall: performance.now() / 1000 }));
}

// Number of colours in a sample of the canvas's pixels.
function canvasColours(page) {
  return page.evaluate(() => {
    const c = document.getElementById("screen");
    const d = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
    const seen = new Set();
    for (let i = 0; i < d.length; i += 4 * 97) seen.add((d[i] << 16) | (d[i + 1] << 8) | d[i + 2]);
    return seen.size;
  });
}

// Hides the tab from the page's point of view, or shows it again: the
// document's visibility and its event, as a browser gives them when the
// user switches tabs.
function setTabHidden(page, on) {
  return page.evaluate((on) => {
    Object.defineProperty(document, "hidden", { configurable: true, get: () => on });
    Object.defineProperty(document, "visibilityState", { configurable: true, get: () => (on ? "hidden" : "visible") });
    document.dispatchEvent(new Event("visibilitychange"));
  }, on);
}

// ---- The show in real time
async function testShow(browser, name) {
  fs.mkdirSync(shots, { recursive: true });
  const shot = (file) => canvas.screenshot({ path: path.join(shots, `${name}-${file}.png`) });
  const { page, errors } = await openPage(browser, "index.html");
  await page.waitForSelector("#prompt:not(.hidden)", { timeout: 120000 });
  const canvas = await page.$("#screen");
  const loading = await shot("0-loading");
  const loadingColours = await canvasColours(page);
  check(loadingColours > 16, `${name}: the loading picture shows before the click (${loadingColours} colours sampled)`);

  // Right after the click the clock starts near 0 and keeps with the music.
  const clickedAt = await page.evaluate(() => performance.now() / 1000);
  await page.click("#prompt");
  await page.waitForFunction(() => window.glimmerfall.musicSeconds() > 0, { timeout: 30000, polling: 20 });
  const first = await readClocks(page);
  console.log(`${name}: ${(first.wall - clickedAt).toFixed(2)} s after the click: music clock ` +
              `${first.music.toFixed(3)} s, audio ${first.audio === null ? "-" : first.audio.toFixed(3) + " s"}`);
  check(first.music >= 0 && first.music <= first.wall - clickedAt && first.music < 1.5,
        `${name}: the music clock starts near 0 after the click`);
  check(Math.abs(first.music - first.audio) < SYNC_SECONDS, `${name}: the music clock keeps with the music`);

  await sleep(1200);
  const t1 = await readClocks(page);
  const frame1 = await shot("1-playing");
  await sleep(2000);
  const t2 = await readClocks(page);
  const frame2 = await shot("2-playing");
  const rate = (t2.music - t1.music) / (t2.wall - t1.wall);
  console.log(`${name}: music clock ${t1.music.toFixed(3)} s, then ${t2.music.toFixed(3)} s ` +
              `(${rate.toFixed(2)} x real time)`);
  check(t1.music > 0 && rate > 0.8 && rate < 1.25, `${name}: the music clock advances in real time`);
  check(!frame1.equals(loading) && !frame2.equals(frame1), `${name}: the frames change after the loading picture`);

  // Full screen, on and off, by F and by a double-click.
  const fullScreen = () => page.evaluate(() => document.fullscreenElement !== null);
  for (const [how, act] of [["F", () => page.keyboard.press("f")],
                            ["a double-click", () => page.mouse.click(400, 300, { count: 2 })]]) {
    await act();
    const on = await page.waitForFunction(() => document.fullscreenElement !== null, { timeout: 5000 })
      .then(() => true, () => false);
    await act();
    const off = await page.waitForFunction(() => document.fullscreenElement === null, { timeout: 5000 })
      .then(() => true, () => false);
    check(on && off && !(await fullScreen()), `${name}: ${how} turns full screen on, then off`);
  }

  // In the background for 3 s, with the browser's timers slowed to one a
  // second as for a tab out of view, then back: the clock is the music's
  // position again, and the show goes on.
  await setTabHidden(page, true);
  await page.evaluate(() => {
    window.realSetTimeout = window.setTimeout;
    window.realRequestAnimationFrame = window.requestAnimationFrame;
    window.setTimeout = (f, ms, ...rest) => window.realSetTimeout(f, Math.max(ms || 0, 1000), ...rest);
    window.requestAnimationFrame = (f) => window.realSetTimeout(() => f(performance.now()), 1000);
  });
  const away = await readClocks(page);
  await sleep(3000);
  await page.evaluate(() => {
    window.setTimeout = window.realSetTimeout;
    window.requestAnimationFrame = window.realRequestAnimationFrame;
  });
  await setTabHidden(page, false);
  await sleep(1500); // the wait begun in the background ends
  const back = await readClocks(page);
  const backFrame = await shot("3-back");
  await sleep(500);
  const later = await readClocks(page);
  console.log(`${name}: hidden at music ${away.music.toFixed(3)} s, back at ${back.music.toFixed(3)} s, ` +
              `audio ${back.audio === null ? "-" : back.audio.toFixed(3) + " s"}`);
  check(Math.abs(back.music - back.audio) < SYNC_SECONDS && back.music - away.music > 3,
        `${name}: back from the background, the clock is the music's position`);
  check(later.music > back.music && !(await shot("4-later")).equals(backFrame),
        `${name}: and the show goes on`);

  await page.keyboard.press("Escape");
  const again = await page.waitForSelector("#again:not(.hidden)", { timeout: 10000 }).then(() => true, () => false);
  const after = await page.evaluate(() => window.glimmerfall.musicSeconds());
  check(again && after === null, `${name}: Escape ends the show and offers to play again`);
  check(errors.length === 0, `${name}: no console error in the show ` + errors.join(" | "));
  await page.close();
}

// ---- A browser that cannot play sound: the show goes on, silent
async function testSoundless(browser, name) {
  const { page, errors } = await openPage(browser, "index.html");
  await page.waitForSelector("#prompt:not(.hidden)", { timeout: 120000 });
  await page.click("#prompt");
  const going = await page.waitForFunction(() => window.glimmerfall.musicSeconds() > 1, { timeout: 15000 })
    .then(() => true, () => false);
  const t1 = await readClocks(page);
  await sleep(2000);
  const t2 = await readClocks(page);
  const rate = (t2.music - t1.music) / (t2.wall - t1.wall);
  check(going && rate > 0.8 && rate < 1.25,
        `${name} without sound: the show goes on in real time (${rate.toFixed(2)} x)`);
  check(errors.length === 0, `${name} without sound: no console error ` + errors.join(" | "));
  await page.close();
}

// ---- A missing data file
async function testMissingFile(browser, name) {
  hidden = MISSING;
  const { page, errors } = await openPage(browser, "index.html");
  await page.waitForSelector("#message:not(.hidden)", { timeout: 120000 });
  const shown = (await page.$eval("#message", (e) => e.textContent)).split("\n").filter(Boolean);
  // The Linux build on the same data less the same file.
  const here = fs.mkdtempSync(path.join(os.tmpdir(), "glimmerfall-missing-"));
  fs.cpSync(path.join(dist, "data"), path.join(here, "data"), { recursive: true });
  fs.rmSync(path.join(here, "data", MISSING));
  const run = spawnSync(path.resolve(capture), ["--hashes", "/dev/null"], { cwd: here, encoding: "utf8" });
  fs.rmSync(here, { recursive: true });
  const native = run.stderr.split("\n");
  console.log(`${name}: message on the page:\n  ` + shown.join("\n  "));
  check(shown.some((l) => l.startsWith("Error: ") && l.includes("data/" + MISSING)),
        `${name}: the page names the missing file`);
  check(shown.length > 0 && shown.every((l) => native.includes(l)), `${name}: in the words the Linux build prints`);
  check(errors.length === 0, `${name}: no console error for a missing file ` + errors.join(" | "));
  await page.close();
  hidden = null;
}

const chromium = await launch("chromium");
await testHashes(chromium, "chromium", parseInt(framesText, 10));
await testShow(chromium, "chromium");
await testMissingFile(chromium, "chromium");
await chromium.close();

const firefoxFrames = parseInt(firefoxText, 10);
if (firefoxFrames > 0) {
  const firefox = await launch("firefox");
  await testHashes(firefox, "firefox", firefoxFrames);
  await testShow(firefox, "firefox");
  await firefox.close();
  const soundless = await launch("firefox", true);
  await testSoundless(soundless, "firefox");
  await soundless.close();
}

server.close();
console.log(failures ? `${failures} check(s) failed` : "all web checks passed");
process.exit(failures ? 1 : 0);
