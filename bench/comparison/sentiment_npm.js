// The npm "sentiment" package (AFINN-165 word scores) over a file of one text per line, the
// way a Node user scores tweets: read, score every line, write the scores.
//   node sentiment_npm.js INPUT OUTPUT
// Prints "texts=N seconds=S" (wall time of the run after start-up: read, score, write).
'use strict';
const fs = require('fs');
const Sentiment = require('sentiment');

const start = process.hrtime.bigint();
const [input, output] = process.argv.slice(2);
const texts = fs.readFileSync(input, 'latin1').split('\r\n');
if (texts.length > 0 && texts[texts.length - 1] === '') texts.pop();
const analyzer = new Sentiment();
const out = ['Score\tComparative\tText'];
for (const t of texts) {
  const r = analyzer.analyze(t);
  out.push(r.score + '\t' + r.comparative.toFixed(4) + '\t' + t);
}
fs.writeFileSync(output, out.join('\n') + '\n', 'latin1');
const seconds = Number(process.hrtime.bigint() - start) / 1e9;
console.log(`texts=${texts.length} seconds=${seconds.toFixed(6)}`);
