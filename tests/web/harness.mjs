// What the page's tests and benchmark share: a static server for the built
// page on 127.0.0.1, and Debian's browsers driven by puppeteer-core (chromium
// through the DevTools protocol, firefox-esr through WebDriver BiDi).
import fs from "node:fs";
import http from "node:http";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";

// puppeteer-core lives where scripts/install-deps put it, outside the tree.
const modules = process.env.GF_NODE_MODULES ||
  path.join(process.env.GF_CACHE || path.join(os.homedir(), ".cache/glimmerfall"), "node/node_modules");
export const puppeteer = createRequire(path.join(modules, "x.js"))("puppeteer-core");

const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm",
                ".json": "application/json", ".jpg": "image/jpeg", ".mp3": "audio/mpeg" };

// Serves the folder dist; a path for which hidden(path) is true answers 404,
// as a server that lost the file would. Resolves to { base, close }.
export async function serve(dist, hidden = () => false) {
  const root = path.resolve(dist);
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, "http://x").pathname);
    const file = path.join(root, name === "/" ? "index.html" : name);
    if (!file.startsWith(root + path.sep) || hidden(name) || !fs.existsSync(file) ||
        !fs.statSync(file).isFile()) {
      res.writeHead(404);
      res.end("not found");
      return;
    }
    res.writeHead(200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
    fs.createReadStream(file).pipe(res);
  });
  await new Promise((ok) => server.listen(0, "127.0.0.1", ok));
  return { base: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

// Starts "chromium" or "firefox" headless, with sound allowed without a
// click, and timers not slowed down in the background. The machines the
// tests run on have no sound card: chromium then plays into a silent
// output of its own, firefox would wait for a device forever, so it is given
// its test device (mock), which takes the sound in real time, unless
// soundless is set: then it is a browser that cannot play sound.
export function launch(name, soundless = false) {
  if (name === "firefox") {
    return puppeteer.launch({
      browser: "firefox", executablePath: "/usr/bin/firefox-esr", headless: true, protocolTimeout: 0,
      extraPrefsFirefox: { "media.autoplay.default": 0, "media.autoplay.blocking_policy": 0,
                           "media.autoplay.block-webaudio": false, "media.cubeb.force_mock_context": !soundless,
                           "dom.timeout.enable_budget_timer_throttling": false,
                           "dom.min_background_timeout_value": 0 },
    });
  }
  return puppeteer.launch({
    executablePath: "/usr/bin/chromium", headless: true, protocolTimeout: 0,
    args: ["--no-sandbox", "--autoplay-policy=no-user-gesture-required", "--disable-background-networking",
           "--disable-dev-shm-usage", "--disable-gpu", "--mute-audio", "--no-first-run",
           "--disable-background-timer-throttling", "--disable-renderer-backgrounding"],
  });
}
