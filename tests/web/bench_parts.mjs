// Each part's speed in the browsers beside the native build's, in one run:
// the page's --parts mode (web/main.cpp) and bench_sequencer play every part
// alone, off screen, on the stepped clock at 60 steps a second. The machine
// is shared, so each side runs ROUNDS times, taking turns, and each part
// keeps its fastest round: the least disturbed one.
//
// node bench_parts.mjs BENCH_SEQUENCER ROUNDS BROWSER:DIST...
//   BROWSER:DIST  a column: "chromium" or "firefox" on a built page, e.g.
//                 chromium:dist/web; several pages side by side compare builds
import { spawnSync } from "node:child_process";
import path from "node:path";

import { launch, serve } from "./harness.mjs";

const [bench, roundsText, ...columns] = process.argv.slice(2);
const rounds = Math.max(1, parseInt(roundsText, 10) || 1);

// Milliseconds per frame by part name, from one native run.
function nativeRound() {
  const run = spawnSync(path.resolve(bench), ["--benchmark_format=json"], { encoding: "utf8" });
  const result = {};
  for (const b of JSON.parse(run.stdout).benchmarks) result[b.name.split("/")[0]] = b.ms_per_frame;
  return result;
}

// The same from one page's run in one browser; also the part order.
async function pageRound(browserName, dist) {
  const server = await serve(dist);
  const browser = await launch(browserName);
  try {
    const page = await browser.newPage();
    await page.goto(server.base + "index.html?parts");
    await page.waitForFunction(() => document.title === "done", { timeout: 0, polling: 500 });
    const result = {}, order = [];
    for (const line of (await page.$eval("#parts", (e) => e.textContent)).split("\n")) {
      const m = line.match(/^(.*?)\s+\d+ frames\s+([\d.]+) ms\/frame/);
      if (!m) continue;
      result[m[1].trim()] = parseFloat(m[2]);
      order.push(m[1].trim());
    }
    return { result, order };
  } finally {
    await browser.close();
    server.close();
  }
}

// Keeps in best the smaller time of each part.
function keepBest(best, result) {
  for (const [name, ms] of Object.entries(result))
    if (ms > 0 && !(best[name] <= ms)) best[name] = ms;
}

const native = {};
const pages = columns.map(() => ({}));
let order = [];
for (let r = 0; r < rounds; r++) {
  keepBest(native, nativeRound());
  for (let c = 0; c < columns.length; c++) {
    const [browserName, dist] = columns[c].split(/:(.*)/s);
    const round = await pageRound(browserName, dist);
    keepBest(pages[c], round.result);
    if (round.order.length > order.length) order = round.order;
  }
}

const fps = (ms) => (ms > 0 ? (1000 / ms).toFixed(0) : "-");
const width = Math.max(...columns.map((c) => c.length), 10) + 2;
console.log(`best of ${rounds} round(s), frames per second`);
console.log("part        " + "native".padStart(10) + columns.map((c) => c.padStart(width)).join(""));
const slowest = columns.map(() => Infinity);
for (const name of order) {
  let line = name.padEnd(12) + fps(native[name]).padStart(10);
  pages.forEach((p, c) => {
    slowest[c] = Math.min(slowest[c], 1000 / p[name]);
    line += fps(p[name]).padStart(width);
  });
  console.log(line);
}
console.log("slowest part" + "".padStart(10) + slowest.map((s) => s.toFixed(0).padStart(width)).join(""));
