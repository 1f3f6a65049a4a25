#!/usr/bin/env node
// Renders every hint page, every variant, in every UI language, the way a
// user sees it in the pop-up, and checks what the notifier relies on:
//   - every visible text comes from window.external.getString, is not empty
//     and is the text of the chosen language;
//   - nothing is cut off or spills out of the pop-up (280 px by the entry's
//     height);
//   - accept, the close control and the check box call the bridge as the
//     notifier expects, and a second click does not answer twice;
//   - scripts keep to ES5 and style sheets to what the browser control's
//     Internet Explorer 9 mode supports (no flexbox, no grid).
// Pages run in headless Chromium with a stand-in window.external that serves
// the real texts from our string tables and records every call; Chromium
// stands in for the control, which renders nothing under Wine.
//
// Usage: render_hint_pages.js --out DIR [--chromium PATH] [--language xx]
// Screenshots go to DIR/<language>/<hint>-<variant>.png.
'use strict';

const fs = require('fs');
const path = require('path');
const acorn = require('acorn');
const {chromium} = require('playwright-core');

const root = path.resolve(__dirname, '..', '..');
const contentDir = path.join(root, 'desktop/windows/tavrin/notifications');
const stringsDir = path.join(root, 'desktop/windows/rc_l10n_handler');
const kPopupWidth = 280;
const kLanguages = ['en', 'de', 'pl', 'ru'];

// The names a page may ask for and their string ids, as the bridge maps them.
const kStringNames = [
  'hint_message_battery_browser', 'hint_message_battery_50p',
  'hint_message_battery_hour', 'hint_message_ads_browser',
  'hint_message_ads_block', 'hint_message_ads_enjoy', 'hint_message_places',
  'hint_button_try', 'hint_button_save_battery', 'hint_button_block_ads',
  'hint_button_places_show_more', 'hint_checkbox_dont_show_again',
  'place_url_iceland', 'place_url_thailand', 'place_url_australia',
  'place_url_norway', 'place_url_china', 'place_url_chile', 'place_url_peru',
  'place_url_croatia', 'place_url_usa', 'place_url_new_zealand',
  'place_url_italy', 'place_url_spain', 'place_url_germany',
  'place_url_canada', 'place_url_argentina',
];

function parseArgs(argv) {
  const args = {out: null, chromium: '/usr/bin/chromium', languages: kLanguages};
  for (let i = 2; i < argv.length; ++i) {
    if (argv[i] === '--out') args.out = argv[++i];
    else if (argv[i] === '--chromium') args.chromium = argv[++i];
    else if (argv[i] === '--language') args.languages = [argv[++i]];
    else throw new Error('unknown argument ' + argv[i]);
  }
  if (!args.out) throw new Error('--out DIR is required');
  return args;
}

// id -> text of one language's string table (.rc, UTF-8, "" for a quote).
function readStringTable(language) {
  const text = fs.readFileSync(
      path.join(stringsDir, 'strings_' + language + '.rc'), 'utf8');
  const table = {};
  const line = /^\s*(\d+),\s*"((?:[^"]|"")*)"\s*$/gm;
  let match;
  while ((match = line.exec(text)) !== null)
    table[Number(match[1])] = match[2].replace(/""/g, '"');
  return table;
}

function textsByName(language) {
  const table = readStringTable(language);
  const texts = {};
  kStringNames.forEach((name, index) => {
    texts[name] = table[38001 + index];
  });
  return texts;
}

// The stand-in bridge, installed before any page script runs. getString
// answers null for an unknown name, as the notifier does.
function installBridge(texts) {
  window.__calls = [];
  window.__texts = [];
  const bridge = {
    getString: function(name) {
      const known = Object.prototype.hasOwnProperty.call(texts, name);
      window.__calls.push({method: 'getString', args: [name], known: known});
      if (!known) return null;
      window.__texts.push(texts[name]);
      return texts[name];
    },
  };
  ['accept', 'dismiss', 'dontShowAgain'].forEach(function(method) {
    bridge[method] = function() {
      window.__calls.push(
          {method: method, args: Array.prototype.slice.call(arguments)});
    };
  });
  Object.defineProperty(window, 'external', {value: bridge, configurable: true});
}

// What the user sees: every non-blank text node with a box, and every box
// (elements and text) that lies outside the pop-up or is clipped by its own
// container.
function inspectPage(size) {
  const width = size.width;
  const height = size.height;
  const problems = [];
  const visibleTexts = [];
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    const value = node.nodeValue.trim();
    if (!value || node.parentElement.closest('script')) continue;
    const range = document.createRange();
    range.selectNodeContents(node);
    const rects = Array.from(range.getClientRects());
    if (rects.length === 0) continue;
    visibleTexts.push(value);
    rects.forEach(function(r) {
      if (r.left < -0.5 || r.top < -0.5 || r.right > width + 0.5 ||
          r.bottom > height + 0.5) {
        problems.push('text "' + value + '" reaches ' +
                      JSON.stringify([r.left, r.top, r.right, r.bottom]));
      }
    });
  }
  // Text drawn over a picture must have a backing of its own (as the
  // places caption has), or it cannot be read.
  const pictures = Array.from(document.images).filter(function(image) {
    const r = image.getBoundingClientRect();
    return r.width > 0 && r.height > 0;
  });
  function hasBackingBelow(element, stop) {
    for (let e = element; e && e !== stop && !e.contains(stop);
         e = e.parentElement) {
      const color = getComputedStyle(e).backgroundColor;
      if (color !== 'transparent' && color !== 'rgba(0, 0, 0, 0)') return true;
    }
    return false;
  }
  const textWalker =
      document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let node = textWalker.nextNode(); node; node = textWalker.nextNode()) {
    const value = node.nodeValue.trim();
    if (!value || node.parentElement.closest('script')) continue;
    const range = document.createRange();
    range.selectNodeContents(node);
    Array.from(range.getClientRects()).forEach(function(r) {
      pictures.forEach(function(image) {
        const p = image.getBoundingClientRect();
        const overlaps = r.left < p.right - 0.5 && r.right > p.left + 0.5 &&
            r.top < p.bottom - 0.5 && r.bottom > p.top + 0.5;
        if (overlaps && !hasBackingBelow(node.parentElement, image))
          problems.push('text "' + value + '" lies on a picture');
      });
    });
  }
  Array.from(document.body.querySelectorAll('*')).forEach(function(element) {
    const style = getComputedStyle(element);
    if (style.display === 'none' || style.visibility === 'hidden') return;
    const r = element.getBoundingClientRect();
    if (r.width === 0 || r.height === 0) return;
    const name = element.tagName.toLowerCase() +
        (element.id ? '#' + element.id : '') +
        (element.className ? '.' + element.className : '');
    if (r.left < -0.5 || r.top < -0.5 || r.right > width + 0.5 ||
        r.bottom > height + 0.5) {
      problems.push(name + ' reaches ' +
                    JSON.stringify([r.left, r.top, r.right, r.bottom]));
    }
    // Text cut by a container that hides its overflow.
    if ((style.overflow === 'hidden' || style.overflowX === 'hidden' ||
         style.overflowY === 'hidden') &&
        element.textContent.trim() &&
        (element.scrollHeight > element.clientHeight + 1 ||
         element.scrollWidth > element.clientWidth + 1)) {
      problems.push(name + ' clips its content (' + element.scrollWidth + 'x' +
                    element.scrollHeight + ' in ' + element.clientWidth + 'x' +
                    element.clientHeight + ')');
    }
  });
  return {problems: problems, visibleTexts: visibleTexts};
}

class Checker {
  constructor() {
    this.failures = [];
    this.checks = 0;
  }
  expect(condition, where, message) {
    ++this.checks;
    if (!condition) this.failures.push(where + ': ' + message);
  }
}

// Script text of a page: its inline scripts; pages load no script files.
function inlineScripts(html) {
  const scripts = [];
  const tag = /<script\b([^>]*)>([\s\S]*?)<\/script>/gi;
  let match;
  while ((match = tag.exec(html)) !== null) {
    if (/\bsrc\s*=/.test(match[1])) scripts.push({external: true, code: ''});
    else scripts.push({external: false, code: match[2]});
  }
  return scripts;
}

function checkSources(entries, checker) {
  const pages = new Set(Object.values(entries).map((entry) => entry.src));
  pages.forEach(function(src) {
    const html = fs.readFileSync(path.join(contentDir, src), 'utf8');
    const scripts = inlineScripts(html);
    checker.expect(scripts.length > 0, src, 'has no script');
    scripts.forEach(function(script, index) {
      checker.expect(!script.external, src, 'loads a script file');
      try {
        acorn.parse(script.code, {ecmaVersion: 5, sourceType: 'script'});
        ++checker.checks;
      } catch (error) {
        checker.expect(false, src + ' script ' + index,
                       'is not ES5: ' + error.message);
      }
    });
  });
  const cssFiles = fs.readdirSync(path.join(contentDir, 'assets'))
                       .filter((name) => name.endsWith('.css'));
  cssFiles.forEach(function(name) {
    const css = fs.readFileSync(path.join(contentDir, 'assets', name), 'utf8')
                    .replace(/\/\*[\s\S]*?\*\//g, '');
    const unsupported = [
      /display\s*:\s*(inline-)?(flex|grid)\b/, /(^|[;{\s])flex(-\w+)?\s*:/,
      /(^|[;{\s])grid(-\w+)?\s*:/, /(^|[;{\s])gap\s*:/,
      /\bvar\(--/, /@supports\b/,
    ];
    unsupported.forEach(function(pattern) {
      checker.expect(!pattern.test(css), 'assets/' + name,
                     'uses ' + pattern + ', which IE9 mode lacks');
    });
  });
}

async function openPage(browser, entry, variant, texts) {
  const context = await browser.newContext({
    viewport: {width: kPopupWidth, height: entry.height},
    deviceScaleFactor: 1,
  });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(String(error)));
  await page.addInitScript(installBridge, texts);
  const url = 'file://' + path.join(contentDir, entry.src) + '#' + variant;
  await page.goto(url, {waitUntil: 'load'});
  return {context: context, page: page, errors: errors};
}

async function calls(page, method) {
  const all = await page.evaluate(() => window.__calls);
  return method ? all.filter((call) => call.method === method) : all;
}

async function checkVariant(browser, args, language, texts, hint, entry,
                            variant, checker) {
  const where = language + ' ' + hint + '#' + variant;
  const opened = await openPage(browser, entry, variant, texts);
  const page = opened.page;

  const asked = await calls(page, 'getString');
  asked.forEach(function(call) {
    checker.expect(call.known, where, 'asks for unknown string ' + call.args[0]);
  });
  const served = await page.evaluate(() => window.__texts);
  const seen = await page.evaluate(
      inspectPage, {width: kPopupWidth, height: entry.height});
  checker.expect(seen.visibleTexts.length >= 3, where,
                 'shows only ' + seen.visibleTexts.length + ' texts');
  seen.visibleTexts.forEach(function(text) {
    checker.expect(served.includes(text), where,
                   'shows "' + text + '", which is not a ' + language +
                       ' string the page asked for');
  });
  for (const id of ['accept', 'dont-show-text']) {
    const text = await page.textContent('#' + id);
    checker.expect(text && text.trim(), where, '#' + id + ' is empty');
  }
  seen.problems.forEach((problem) => checker.expect(false, where, problem));
  checker.expect(opened.errors.length === 0, where,
                 'script errors: ' + opened.errors.join('; '));

  const dir = path.join(args.out, language);
  fs.mkdirSync(dir, {recursive: true});
  await page.screenshot({path: path.join(dir, hint + '-' + variant + '.png')});

  // The check box reports its state each time, and leaves the pop-up to the
  // notifier (no accept or dismiss).
  await page.click('#dont-show');
  await page.click('#dont-show');
  const declined = await calls(page, 'dontShowAgain');
  checker.expect(declined.length === 2 && declined[0].args.length === 1 &&
                     declined[0].args[0] === true &&
                     declined[1].args[0] === false,
                 where, 'dontShowAgain calls ' + JSON.stringify(declined));

  // Accept, twice: one call, with the place's page for the places hint.
  await page.click('#accept');
  await page.click('#accept');
  await page.click('#close');
  const accepted = await calls(page, 'accept');
  const expectedArgs =
      hint === 'places' ? [texts['place_url_' + variant]] : [];
  checker.expect(accepted.length === 1, where,
                 'accept called ' + accepted.length + ' times');
  if (accepted.length === 1) {
    checker.expect(JSON.stringify(accepted[0].args) ===
                       JSON.stringify(expectedArgs),
                   where, 'accept arguments ' + JSON.stringify(accepted[0].args));
  }
  checker.expect((await calls(page, 'dismiss')).length === 0, where,
                 'close after accept answered again');
  await opened.context.close();

  // Close, twice, then accept: one dismiss and nothing else.
  const again = await openPage(browser, entry, variant, texts);
  await again.page.click('#close');
  await again.page.click('#close');
  await again.page.click('#accept');
  const dismissed = await calls(again.page, 'dismiss');
  checker.expect(dismissed.length === 1 && dismissed[0].args.length === 0,
                 where, 'dismiss calls ' + JSON.stringify(dismissed));
  checker.expect((await calls(again.page, 'accept')).length === 0, where,
                 'accept after close answered again');
  await again.context.close();
}

async function main() {
  const args = parseArgs(process.argv);
  const entries =
      JSON.parse(fs.readFileSync(path.join(contentDir, 'notifications.json')));
  const checker = new Checker();
  checkSources(entries, checker);

  const browser = await chromium.launch({
    executablePath: args.chromium,
    args: [
      '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--allow-file-access-from-files',
    ],
  });
  let shown = 0;
  // One language per page at a time, the languages side by side.
  async function renderLanguage(language) {
    const texts = textsByName(language);
    kStringNames.forEach((name) => checker.expect(
        texts[name], language, 'string table lacks ' + name));
    for (const hint of Object.keys(entries)) {
      for (const variant of entries[hint].variants) {
        await checkVariant(browser, args, language, texts, hint,
                           entries[hint], variant, checker);
        ++shown;
      }
    }
  }
  try {
    await Promise.all(args.languages.map(renderLanguage));
  } finally {
    await browser.close();
  }

  checker.failures.forEach((failure) => console.log('FAIL ' + failure));
  console.log(shown + ' pages rendered, ' + checker.checks + ' checks, ' +
              checker.failures.length + ' failed; screenshots in ' + args.out);
  process.exitCode = checker.failures.length === 0 && shown > 0 ? 0 : 1;
}

main().catch((error) => {
  console.error(error);
  process.exitCode = 1;
});
