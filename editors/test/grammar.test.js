'use strict';
// Tokenises scenario texts with the TextMate engine that VS Code uses (vscode-textmate on the
// Oniguruma regular expressions), and checks the scopes that the two grammars give each kind
// of line. CARRIED_TEXTS names a folder holding the carried route and train texts; the node
// modules are found through NODE_PATH.
const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const textmate = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const syntaxes = path.join(__dirname, '..', 'vscode', 'syntaxes');

let grammars;
async function loadGrammars() {
    if (grammars) return grammars;
    const wasm = fs.readFileSync(path.join(path.dirname(require.resolve('vscode-oniguruma')), 'onig.wasm'));
    await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
    const registry = new textmate.Registry({
        onigLib: Promise.resolve({
            createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
            createOnigString: (text) => new oniguruma.OnigString(text),
        }),
        loadGrammar: async (scopeName) => {
            const file = path.join(syntaxes, `${scopeName.replace('source.', '')}.tmLanguage.json`);
            return textmate.parseRawGrammar(fs.readFileSync(file, 'utf8'), file);
        },
    });
    grammars = {
        route: await registry.loadGrammar('source.scenario-route'),
        train: await registry.loadGrammar('source.scenario-train'),
    };
    return grammars;
}

// Each line's tokens as { text, scopes }, carrying the state from line to line as an editor does.
function tokenize(grammar, lines) {
    let state = textmate.INITIAL;
    return lines.map((line) => {
        const result = grammar.tokenizeLine(line, state, 0);
        assert.equal(result.stoppedEarly, false, `tokenising stopped early in: ${line}`);
        state = result.ruleStack;
        return result.tokens.map((t) => ({ text: line.slice(t.startIndex, t.endIndex), scopes: t.scopes }));
    });
}

// The innermost scope of the first token that is the fragment (blanks around it aside).
function innermostScope(tokens, fragment, where) {
    const token = tokens.find((t) => t.text.trim() === fragment);
    assert.ok(token, `no token "${fragment}" in ${where}: ${JSON.stringify(tokens.map((t) => t.text))}`);
    return token.scopes[token.scopes.length - 1];
}

// Short texts: the fragment is looked up in the line under test, the last one unless a line
// number (from 0) follows.
const routeHead = ['[generale]', 'lunghezza percorso, 243000'];
const routeFeatures = [...routeHead, '[curve]'];
const trainHead = ['[generale]'];

const cases = [
    // route text, general block
    ['route', ['[generale]'], '[generale]', 'entity.name.section.scenario-route'],
    ['route', ['lunghezza percorso, 243000', '[generale]'], 'lunghezza percorso', 'comment.line.ignored.scenario-route', 0],
    ['route', routeHead, 'lunghezza percorso', 'keyword.other.route-length.scenario-route'],
    ['route', routeHead, '243000', 'constant.numeric.integer.scenario-route'],
    ['route', ['[generale]', 'LUNGHEZZA PERCORSO, 243000'], 'LUNGHEZZA PERCORSO', 'keyword.other.route-length.scenario-route'],
    ['route', [...routeHead, 'progressiva chilometrica uno, 0, 350000, 1'], 'progressiva chilometrica uno', 'keyword.other.kilometric-reference.scenario-route'],
    ['route', [...routeHead, 'progressiva chilometrica uno, 0, 350000, 1'], '350000', 'constant.numeric.integer.scenario-route'],
    // these general kinds compare letters exactly: a capital leaves the row unread
    ['route', [...routeHead, 'Progressiva chilometrica uno, 0, 350000, 1'], 'Progressiva chilometrica uno', 'comment.line.ignored.scenario-route'],
    ['route', [...routeHead, 'Progressiva chilometrica uno, 0, 350000, 1'], '350000', 'comment.line.ignored.scenario-route'],
    ['route', [...routeHead, 'sfondo due, 0'], 'sfondo due', 'keyword.other.background.scenario-route'],
    ['route', [...routeHead, 'ripetizione segnali 9 codici, 0, 241000'], 'ripetizione segnali 9 codici', 'keyword.other.cab-signalling.scenario-route'],
    ['route', [...routeHead, 'ripetizione segnali codici, 0, 241000'], 'ripetizione segnali codici', 'invalid.illegal.cab-signalling-without-codes.scenario-route'],
    ['route', [...routeHead, '-- prima tratta, sfondo uno, 1'], '-- prima tratta', 'comment.line.dash.scenario-route'],
    ['route', [...routeHead, '-- prima tratta, sfondo uno, 1'], 'sfondo uno', 'keyword.other.background.scenario-route'],
    ['route', [...routeHead, 'pendenza, 5000, -8'], 'pendenza', 'comment.line.ignored.scenario-route'],
    // the header that closes the general block must not hold a dash
    ['route', [...routeHead, '[cur-ve]', 'pendenza, 5000, -8'], 'pendenza', 'comment.line.ignored.scenario-route'],
    // route text, feature part
    ['route', routeFeatures, '[curve]', 'entity.name.section.scenario-route'],
    ['route', [...routeFeatures, 'sfondo uno, 1'], 'sfondo uno', 'comment.line.ignored.scenario-route'],
    ['route', [...routeFeatures, 'pendenza,  5000,   -8'], 'pendenza', 'keyword.other.gradient.scenario-route'],
    ['route', [...routeFeatures, 'pendenza,  5000,   -8'], '-8', 'constant.numeric.integer.scenario-route'],
    ['route', [...routeFeatures, 'pendenza,  5000,   -8, 3'], '3', 'comment.line.ignored.scenario-route'],
    ['route', [...routeFeatures, 'pendenza,  5000 -8'], '-8', 'constant.numeric.integer.scenario-route'],
    ['route', [...routeFeatures, 'pendenza,  5000,   8x'], '8x', 'invalid.illegal.not-a-number.scenario-route'],
    ['route', [...routeFeatures, 'pendenza-vecchia, 5000, -8'], 'pendenza-vecchia', 'comment.line.dash.scenario-route'],
    ['route', [...routeFeatures, 'Curvas3,  1900,  600'], 'Curvas3', 'keyword.other.curve.scenario-route'],
    ['route', [...routeFeatures, 'curva sinistra classe 3,  1900,  600'], 'curva sinistra classe 3', 'keyword.other.curve.scenario-route'],
    ['route', [...routeFeatures, 'curvas,  1900,  600'], 'curvas', 'invalid.illegal.curve-without-class.scenario-route'],
    ['route', [...routeFeatures, 'montagna,   141550,  143050,  11'], '11', 'constant.numeric.integer.scenario-route'],
    ['route', [...routeFeatures, 'indicatori_vmax,  143500,  60,  70,  75,  2,  ,  ,  ,  0'], 'indicatori_vmax', 'keyword.other.speed-board.scenario-route'],
    ['route', [...routeFeatures, 'indicatori_vmax,  143500,  60,  70,  75,  2,  ,  ,  ,  7'], '7', 'constant.numeric.integer.scenario-route'],
    ['route', [...routeFeatures, 'cartello_indicatore,  8500,   (km 341+500)'], 'cartello_indicatore', 'keyword.other.sign-board.scenario-route'],
    ['route', [...routeFeatures, 'cartello_indicatore,  8500,   (km 341+500)'], '(km 341+500)', 'string.unquoted.board-text.scenario-route'],
    ['route', [...routeFeatures, 'cartello_indicatore,  8500,   "Ponte, fiume"'], '"Ponte, fiume"', 'string.quoted.double.scenario-route'],
    ['route', [...routeFeatures, 'lunghezza percorso, 243000'], 'lunghezza percorso', 'comment.line.ignored.scenario-route'],
    ['route', [...routeFeatures, '[fine]'], '[fine]', 'entity.name.section.scenario-route'],
    // train text
    ['train', ['velocita, 0, 155', '[generale]'], 'velocita', 'comment.line.ignored.scenario-train', 0],
    ['train', ['[GENERALE]'], '[GENERALE]', 'entity.name.section.scenario-train'],
    ['train', [...trainHead, 'numero vetture,    14'], 'numero vetture', 'keyword.other.car-count.scenario-train'],
    ['train', [...trainHead, 'PERCENTUALE MASSA FRENATA, 130'], 'PERCENTUALE MASSA FRENATA', 'keyword.other.braked-mass.scenario-train'],
    ['train', [...trainHead, 'massa, 130'], 'massa', 'comment.line.ignored.scenario-train'],
    ['train', [...trainHead, 'sabbia,    200'], 'sabbia', 'keyword.other.sand.scenario-train'],
    ['train', [...trainHead, 'orologio,    10              49            40 '], '49', 'constant.numeric.integer.scenario-train'],
    ['train', [...trainHead, 'orologio,    10              49            40 '], '40', 'constant.numeric.integer.scenario-train'],
    ['train', [...trainHead, '[vel_limite]'], '[vel_limite]', 'entity.name.section.scenario-train'],
    ['train', [...trainHead, 'VELOCITÀ, 0, 155'], 'VELOCITÀ', 'keyword.other.speed-limit.scenario-train'],
    ['train', [...trainHead, 'aderenza,   0,    100'], 'aderenza', 'keyword.other.adhesion.scenario-train'],
    ['train', [...trainHead, 'SEGNALE, 8650, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0'], 'SEGNALE', 'keyword.other.signal.scenario-train'],
    ['train', [...trainHead, 'segnale, 8650, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0, 9'], '9', 'comment.line.ignored.scenario-train'],
    ['train', [...trainHead, 'rallentamento,  24000,  60,  1000,  0,  1,  60'], 'rallentamento', 'keyword.other.slowdown.scenario-train'],
    ['train', [...trainHead, 'abbattimento,  202500,  180'], 'abbattimento', 'keyword.other.code-drop.scenario-train'],
    ['train', [...trainHead, '-- nota, segnale, 8650, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0'], '-- nota', 'comment.line.dash.scenario-train'],
    ['train', [...trainHead, '-- nota, segnale, 8650, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0'], 'segnale', 'keyword.other.signal.scenario-train'],
    ['train', [...trainHead, 'stazione,  103300,  4,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,  11,31, 0, CIVITANOVA MARCHE-MONTEGRANARO'], 'stazione', 'keyword.other.station.scenario-train'],
    ['train', [...trainHead, 'stazione,  103300,  4,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,  11,31, 0, CIVITANOVA MARCHE-MONTEGRANARO'], 'CIVITANOVA MARCHE-MONTEGRANARO', 'string.unquoted.station-name.scenario-train'],
    ['train', [...trainHead, 'stazione,  103300,  4,  600,  0, 0, 0,  1,1,0,  4,1,1,   60,  11,31, 0, "PORTO, MARE"'], '"PORTO, MARE"', 'string.quoted.double.scenario-train'],
    ['train', [...trainHead, 'treno, 917'], 'treno', 'comment.line.ignored.scenario-train'],
];

test('each kind of line gets its scopes', async (t) => {
    const grammarOf = await loadGrammars();
    for (const [format, lines, fragment, expected, line = lines.length - 1] of cases) {
        const where = `${format} text line "${lines[line]}"`;
        await t.test(`"${fragment}" in ${where}`, () => {
            const tokens = tokenize(grammarOf[format], lines)[line];
            assert.equal(innermostScope(tokens, fragment, where), expected);
        });
    }
});

// Keyword fields of the carried texts and the row kind each one must be read as.
const carriedKeywords = {
    route: [
        [/^lunghezza percorso$/, 'route-length'],
        [/^progressiva chilometrica (uno|due|tre)$/, 'kilometric-reference'],
        [/^sfondo (uno|due|tre)$/, 'background'],
        [/^ripetizione segnali 4 codici$/, 'cab-signalling'],
        [/^curva[sd][1-6]$/, 'curve'],
        [/^pendenza$/, 'gradient'],
        [/^montagna$/, 'mountain'],
        [/^indicatori_vmax$/, 'speed-board'],
        [/^cartello_indicatore$/, 'sign-board'],
    ],
    train: [
        [/^percentuale massa frenata$/, 'braked-mass'],
        [/^numero vetture$/, 'car-count'],
        [/^velocita$/, 'speed-limit'],
        [/^aderenza$/, 'adhesion'],
        [/^orologio$/, 'clock'],
        [/^sabbia$/, 'sand'],
        [/^segnale$/, 'signal'],
        [/^rallentamento$/, 'slowdown'],
        [/^abbattimento$/, 'code-drop'],
        [/^stazione$/, 'station'],
    ],
};

function carriedText(fileName) {
    const folder = process.env.CARRIED_TEXTS;
    assert.ok(folder, 'CARRIED_TEXTS must name the folder of the carried texts');
    const text = new TextDecoder('windows-1252').decode(fs.readFileSync(path.join(folder, fileName)));
    assert.ok(text.endsWith('\r\n'), `${fileName} ends with CR LF`);
    return text.slice(0, -2).split('\r\n');
}

for (const [format, fileName] of [['route', 'Brenzola_Tessalto_linea.txt'], ['train', 'Brenzola_Tessalto_917-.txt']]) {
    test(`every line of the carried ${format} text is read as its kind`, async () => {
        const grammar = (await loadGrammars())[format];
        const lines = carriedText(fileName);
        const tokenized = tokenize(grammar, lines);
        const language = `scenario-${format}`;
        const kindsSeen = new Set();
        lines.forEach((line, index) => {
            const where = `${fileName}:${index + 1}: ${line}`;
            const tokens = tokenized[index];
            for (const { text, scopes } of tokens) {
                const innermost = scopes[scopes.length - 1];
                assert.ok(!/^(invalid|comment)\./.test(innermost), `"${text}" is ${innermost} in ${where}`);
                if (/^[+-]?\d+$/.test(text.trim()) && !/\.(board-text|station-name)\./.test(innermost)) {
                    assert.equal(innermost, `constant.numeric.integer.${language}`, `"${text}" in ${where}`);
                }
            }
            const keyword = line.split(',')[0].trim();
            if (keyword.startsWith('[')) {
                assert.equal(innermostScope(tokens, keyword, where), `entity.name.section.${language}`, where);
                return;
            }
            const known = carriedKeywords[format].find(([pattern]) => pattern.test(keyword));
            assert.ok(known, `unexpected keyword field in ${where}`);
            assert.equal(innermostScope(tokens, keyword, where), `keyword.other.${known[1]}.${language}`, where);
            kindsSeen.add(known[1]);
        });
        // The carried texts hold every row kind, so every rule above has met a real line.
        assert.deepEqual([...kindsSeen].sort(), [...new Set(carriedKeywords[format].map(([, kind]) => kind))].sort());
    });
}

// VS Code finds the grammars through the extension's manifest: each language must claim the
// carried file of its format, and no other, and name a grammar file that has its scope.
test('the extension registers each grammar for its file names', () => {
    const extension = path.join(__dirname, '..', 'vscode');
    const manifest = JSON.parse(fs.readFileSync(path.join(extension, 'package.json'), 'utf8'));
    const { languages, grammars: contributed } = manifest.contributes;
    const globMatches = (glob, name) =>
        new RegExp(`^${glob.replace(/[.+^${}()|[\]\\]/g, '\\$&').replace(/\*/g, '.*').replace(/\?/g, '.')}$`).test(name);
    const claims = (format) => {
        const language = languages.find((l) => l.id === `scenario-${format}`);
        assert.ok(language, `no language scenario-${format}`);
        assert.ok(fs.existsSync(path.join(extension, language.configuration)), language.configuration);
        return (name) => language.filenamePatterns.some((glob) => globMatches(glob, name));
    };
    for (const [format, own, other] of [
        ['route', 'Brenzola_Tessalto_linea.txt', 'Brenzola_Tessalto_917-.txt'],
        ['train', 'Brenzola_Tessalto_917-.txt', 'Brenzola_Tessalto_linea.txt'],
    ]) {
        assert.ok(claims(format)(own), `${format} language claims ${own}`);
        assert.ok(!claims(format)(other), `${format} language leaves ${other}`);
        assert.ok(!claims(format)('Brenzola_Tessalto_917_note.txt'), `${format} language leaves the notes`);
        const grammar = contributed.find((g) => g.language === `scenario-${format}`);
        const raw = JSON.parse(fs.readFileSync(path.join(extension, grammar.path), 'utf8'));
        assert.equal(raw.scopeName, grammar.scopeName);
        assert.equal(grammar.scopeName, `source.scenario-${format}`);
    }
});
