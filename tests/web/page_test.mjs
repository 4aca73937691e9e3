// The web page in Debian's chromium, headless, driven by puppeteer-core:
//   - the hash mode renders the first FRAMES frames and prints exactly the
//     lines the Linux build's glimmerfall-capture --hashes prints;
//   - in real time, with autoplay allowed: the loading picture, the click,
//     then frames that change while the music clock advances;
//   - a data file the server does not have gives the native build's message
//     on the page.
// No console error may appear in any of them.
//
// node page_test.mjs DIST REFERENCE CAPTURE FRAMES SHOTS
//   DIST       the built page (dist/web)
//   REFERENCE  the Linux build's hash lines
//   CAPTURE    the Linux build's glimmerfall-capture, run here without the file
//   FRAMES     how many frames to compare
//   SHOTS      folder for the screenshots
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";

// puppeteer-core lives where scripts/install-deps put it, outside the tree.
const modules = process.env.GF_NODE_MODULES ||
  path.join(process.env.GF_CACHE || path.join(os.homedir(), ".cache/glimmerfall"), "node/node_modules");
const puppeteer = createRequire(path.join(modules, "x.js"))("puppeteer-core");

const [dist, referenceFile, capture, framesText, shots] = process.argv.slice(2);
const FRAMES = parseInt(framesText, 10);
const MISSING = "skog.jpg"; // a picture the show loads at start-up

let failures = 0;
function check(ok, what) {
  console.log((ok ? "ok   " : "FAIL ") + what);
  if (!ok) failures++;
}

// A static server for DIST on 127.0.0.1 that can be told to lose a file.
const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm",
                ".json": "application/json", ".jpg": "image/jpeg", ".mp3": "audio/mpeg" };
const root = path.resolve(dist);
let hidden = null;
const server = http.createServer((req, res) => {
  const name = decodeURIComponent(new URL(req.url, "http://x").pathname);
  const file = path.join(root, name === "/" ? "index.html" : name);
  if (!file.startsWith(root + path.sep) || (hidden && name === "/data/" + hidden) ||
      !fs.existsSync(file) || !fs.statSync(file).isFile()) {
    res.writeHead(404);
    res.end("not found");
    return;
  }
  res.writeHead(200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
  fs.createReadStream(file).pipe(res);
});
await new Promise((ok) => server.listen(0, "127.0.0.1", ok));
const base = `http://127.0.0.1:${server.address().port}/`;

const browser = await puppeteer.launch({
  executablePath: "/usr/bin/chromium",
  protocolTimeout: 0,
  headless: true,
  args: ["--no-sandbox", "--autoplay-policy=no-user-gesture-required", "--disable-background-networking",
         "--disable-dev-shm-usage", "--disable-gpu", "--mute-audio", "--no-first-run",
         "--disable-background-timer-throttling", "--disable-renderer-backgrounding"],
});

// A new page whose console errors and uncaught exceptions are collected.
async function openPage(url) {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  const errors = [];
  page.on("console", (m) => {
    // The one request a test makes fail is the browser's to report, not an error of the page.
    const url = (m.location() && m.location().url) || "";
    if (m.type() === "error" && !(hidden && url.endsWith("/data/" + encodeURIComponent(hidden))))
      errors.push(m.text() + " " + url);
  });
  page.on("pageerror", (e) => errors.push(String(e)));
  await page.goto(base + url);
  return { page, errors };
}

// ---- Every frame's hash against the Linux build's
{
  const reference = fs.readFileSync(referenceFile, "utf8").split("\n").filter(Boolean).slice(0, FRAMES);
  const started = Date.now();
  const { page, errors } = await openPage(`index.html?hashes=${FRAMES}`);
  await page.waitForFunction(() => document.title === "done", { timeout: 0, polling: 1000 });
  const seconds = (Date.now() - started) / 1000;
  const lines = (await page.$eval("#hashes", (e) => e.textContent)).split("\n").filter(Boolean);
  let differ = 0, first = -1;
  for (let i = 0; i < Math.max(lines.length, reference.length); i++) {
    if (lines[i] !== reference[i]) { differ++; if (first < 0) first = i; }
  }
  console.log(`hash mode: ${lines.length} lines in ${seconds.toFixed(1)} s ` +
              `(${(lines.length / seconds).toFixed(0)} frames/s), ${differ} differ`);
  if (first >= 0) console.log(`  first difference at line ${first}: page "${lines[first]}", Linux "${reference[first]}"`);
  check(lines.length === FRAMES && reference.length === FRAMES, `${FRAMES} lines on both sides`);
  check(differ === 0, "every frame's hash equals the Linux build's");
  check(errors.length === 0, "no console error in the hash mode " + errors.join(" | "));
  await page.close();
}

// ---- The show in real time
{
  fs.mkdirSync(shots, { recursive: true });
  const { page, errors } = await openPage("index.html");
  await page.waitForSelector("#prompt:not(.hidden)", { timeout: 60000 });
  const canvas = await page.$("#screen");
  const loading = await canvas.screenshot({ path: path.join(shots, "0-loading.png") });
  // The loading picture is on the canvas: not one colour.
  const loadingColours = await page.evaluate(() => {
    const c = document.getElementById("screen");
    const d = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
    const seen = new Set();
    for (let i = 0; i < d.length; i += 4 * 97) seen.add((d[i] << 16) | (d[i + 1] << 8) | d[i + 2]);
    return seen.size;
  });
  check(loadingColours > 16, `the loading picture shows before the click (${loadingColours} colours sampled)`);
  await page.click("#prompt");
  await new Promise((ok) => setTimeout(ok, 1500));
  const t1 = await page.evaluate(() => window.glimmerfall.musicSeconds());
  const wall1 = Date.now();
  const frame1 = await canvas.screenshot({ path: path.join(shots, "1-playing.png") });
  await new Promise((ok) => setTimeout(ok, 2000));
  const t2 = await page.evaluate(() => window.glimmerfall.musicSeconds());
  const wall2 = Date.now();
  const frame2 = await canvas.screenshot({ path: path.join(shots, "2-playing.png") });
  const rate = (t2 - t1) / ((wall2 - wall1) / 1000);
  console.log(`music clock: ${t1.toFixed(3)} s, then ${t2.toFixed(3)} s (${rate.toFixed(2)} x real time)`);
  check(t1 > 0 && rate > 0.8 && rate < 1.25, "the music clock advances in real time");
  check(!frame1.equals(loading) && !frame2.equals(frame1), "the frames change after the loading picture");
  await page.keyboard.press("Escape");
  await page.waitForSelector("#again:not(.hidden)", { timeout: 10000 });
  check(true, "Escape ends the show and offers to play again");
  check(errors.length === 0, "no console error in the show " + errors.join(" | "));
  await page.close();
}

// ---- A missing data file
{
  hidden = MISSING;
  const { page, errors } = await openPage("index.html");
  await page.waitForSelector("#message:not(.hidden)", { timeout: 60000 });
  const shown = (await page.$eval("#message", (e) => e.textContent)).split("\n").filter(Boolean);
  // The Linux build on the same data less the same file.
  const here = fs.mkdtempSync(path.join(os.tmpdir(), "glimmerfall-missing-"));
  fs.cpSync(path.join(dist, "data"), path.join(here, "data"), { recursive: true });
  fs.rmSync(path.join(here, "data", MISSING));
  const run = spawnSync(path.resolve(capture), ["--hashes", "/dev/null"], { cwd: here, encoding: "utf8" });
  fs.rmSync(here, { recursive: true });
  const native = run.stderr.split("\n");
  console.log("message on the page:\n  " + shown.join("\n  "));
  check(shown.some((l) => l.startsWith("Error: ") && l.includes("data/" + MISSING)),
        "the page names the missing file");
  check(shown.length > 0 && shown.every((l) => native.includes(l)),
        "in the words the Linux build prints");
  check(errors.length === 0, "no console error for a missing file " + errors.join(" | "));
  await page.close();
  hidden = null;
}

await browser.close();
server.close();
console.log(failures ? `${failures} check(s) failed` : "all web checks passed");
process.exit(failures ? 1 : 0);
