// Each part's speed in headless chromium beside the native build's, in one
// run: the page's --parts mode (web/main.cpp) and bench_sequencer play every
// part alone, off screen, on the stepped clock at 60 steps a second.
//
// node bench_parts.mjs DIST BENCH_SEQUENCER [PAGE_QUERY]
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";

const modules = process.env.GF_NODE_MODULES ||
  path.join(process.env.GF_CACHE || path.join(os.homedir(), ".cache/glimmerfall"), "node/node_modules");
const puppeteer = createRequire(path.join(modules, "x.js"))("puppeteer-core");
const [dist, bench, query = "parts"] = process.argv.slice(2);

// Native first, so the two do not share the cores.
const run = spawnSync(path.resolve(bench), ["--benchmark_format=json"], { encoding: "utf8", cwd: process.cwd() });
const native = {};
for (const b of JSON.parse(run.stdout).benchmarks) native[b.name.split("/")[0]] = b.ms_per_frame;

const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm",
                ".json": "application/json" };
const server = http.createServer((req, res) => {
  const name = decodeURIComponent(new URL(req.url, "http://x").pathname);
  const file = path.join(dist, name === "/" ? "index.html" : name);
  if (!fs.existsSync(file) || !fs.statSync(file).isFile()) { res.writeHead(404); res.end(); return; }
  res.writeHead(200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
  fs.createReadStream(file).pipe(res);
});
await new Promise((ok) => server.listen(0, "127.0.0.1", ok));
const browser = await puppeteer.launch({ executablePath: "/usr/bin/chromium", headless: true,
  args: ["--no-sandbox", "--disable-background-networking", "--disable-dev-shm-usage", "--disable-gpu"] });
const page = await browser.newPage();
await page.goto(`http://127.0.0.1:${server.address().port}/index.html?${query}`);
await page.waitForFunction(() => document.title === "done", { timeout: 0, polling: 500 });
const lines = (await page.$eval("#parts", (e) => e.textContent)).split("\n").filter(Boolean);
await browser.close();
server.close();

console.log("part          frames   chromium fps   native fps   ratio");
let slowest = Infinity;
for (const line of lines) {
  const m = line.match(/^(.*?)\s+(\d+) frames\s+([\d.]+) ms\/frame\s+(\d+) fps/);
  if (!m) continue;
  const name = m[1].trim(), web = 1000 / parseFloat(m[3]), nat = 1000 / native[name];
  slowest = Math.min(slowest, web);
  console.log(`${name.padEnd(12)} ${m[2].padStart(7)} ${web.toFixed(0).padStart(14)} ${nat.toFixed(0).padStart(12)}` +
              `   ${(nat / web).toFixed(2)}`);
}
console.log(`slowest part in chromium: ${slowest.toFixed(0)} fps`);
