-- scenc lsp in Neovim: Neovim's own LSP client starts the server, opens a route and a train
-- text with known mistakes, applies a quick fix, and writes what it received (diagnostics, the
-- quick fixes offered, a hover, the outline) to a file that must equal the expected one. Any
-- failure ends Neovim with status 1.
-- Environment: SCENC (the program), LSP_WORK (a folder for the texts), LSP_EXPECTED.
local function write_bytes(path, bytes)
  local file = assert(io.open(path, 'wb'))
  file:write(bytes)
  file:close()
end

local function read_bytes(path)
  local file = assert(io.open(path, 'rb'))
  local bytes = file:read('*a')
  file:close()
  return bytes
end

-- Windows-1252 texts: 0xE0 is "à", 0xE8 "è", 0x80 "€".
local route_text = table.concat({
  '[generale]',
  'lunghezza percorso, 20000',
  '[cartelli]',
  'indicatori_vmax, 1950, 140, 150, 160, 0, 140, 150, 160, 0',
  '[indicazioni]',
  'cartello_indicatore, 4400, (Citt\224 \128 5)',
  '[fine]', ''}, '\r\n')
local train_text = table.concat({
  '[generale]',
  'numero vetture, 5',
  '[stazioni]',
  'stazione, 1000, 2, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 10, 0, 0, Citt\224 \128',
  'stazione, 3025, 2, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 60, 10, 5, 0, Marin\232',
  '[segnali]',
  'segnale, 1950, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0',
  '[vel_limite]',
  'velocit\224 \128, 12x, 5',
  '[fine]', ''}, '\r\n')

local lines = {}
local function record(line) table.insert(lines, line) end

local function diagnostics_of(name, buffer)
  local found = vim.diagnostic.get(buffer)
  table.sort(found, function(a, b)
    if a.lnum ~= b.lnum then return a.lnum < b.lnum end
    return a.message < b.message
  end)
  for _, d in ipairs(found) do
    local lsp = d.user_data and d.user_data.lsp or {}
    local related = ''
    for _, info in ipairs(lsp.relatedInformation or {}) do
      related = related .. string.format(' related %s:%d:%d', vim.fn.fnamemodify(
        vim.uri_to_fname(info.location.uri), ':t'), info.location.range.start.line,
        info.location.range.start.character)
    end
    record(string.format('%s %d:%d-%d:%d severity %d code %s: %s%s', name, d.lnum, d.col,
      d.end_lnum, d.end_col, d.severity, tostring(d.code or lsp.code), d.message, related))
  end
end

local function run()
  local scenc = assert(os.getenv('SCENC'), 'SCENC not set')
  local work = assert(os.getenv('LSP_WORK'), 'LSP_WORK not set')
  local expected_path = assert(os.getenv('LSP_EXPECTED'), 'LSP_EXPECTED not set')
  vim.fn.mkdir(work, 'p')
  local route_path = work .. '/Val_linea.txt'
  local train_path = work .. '/Val_12-.txt'
  write_bytes(route_path, route_text)
  write_bytes(train_path, train_text)

  -- cp1252 before latin1, which reads 0x80 to 0x9F as control characters.
  vim.o.fileencodings = 'ucs-bom,utf-8,cp1252,latin1'
  vim.o.fileformats = 'dos,unix'
  local client = vim.lsp.start_client({ name = 'scenc', cmd = { scenc, 'lsp' }, root_dir = work })
  assert(client, 'the client did not start')
  vim.cmd('edit ' .. vim.fn.fnameescape(route_path))
  local route = vim.api.nvim_get_current_buf()
  assert(vim.bo[route].fileencoding == 'cp1252', 'route read as ' .. vim.bo[route].fileencoding)
  assert(vim.lsp.buf_attach_client(route, client))
  vim.cmd('edit ' .. vim.fn.fnameescape(train_path))
  local train = vim.api.nvim_get_current_buf()
  assert(vim.lsp.buf_attach_client(train, client))

  local arrived = vim.wait(20000, function()
    return #vim.diagnostic.get(train) >= 3 and #vim.diagnostic.get(route) >= 1
  end, 50)
  assert(arrived, 'no diagnostics within 20 s')
  diagnostics_of('route', route)
  diagnostics_of('train', train)

  -- The author fixes the station's position with a quick fix: Neovim's own code action asks
  -- for the actions at the cursor, the choice (stubbed here) takes "write 3050", and Neovim
  -- applies its edit; the change clears the station's error.
  vim.ui.select = function(items, _, on_choice)
    local chosen
    for _, item in ipairs(items) do
      local action = item[2]
      record(string.format('action %s: %s, preferred %s', action.kind, action.title,
        tostring(action.isPreferred)))
      if action.title == 'write 3050' then chosen = item end
    end
    on_choice(chosen)
  end
  vim.api.nvim_win_set_cursor(0, { 5, 11 })
  vim.lsp.buf.code_action()
  assert(vim.wait(20000, function()
    return vim.api.nvim_buf_get_lines(train, 4, 5, true)[1]:find('3050', 1, true) ~= nil
  end, 50), 'the quick fix was not applied')
  record('fixed line ' .. vim.api.nvim_buf_get_lines(train, 4, 5, true)[1])
  assert(vim.wait(20000, function() return #vim.diagnostic.get(train) == 2 end, 50),
    'the fixed station kept its error')
  record('after the fix')
  diagnostics_of('train', train)

  local hover = vim.lsp.buf_request_sync(train, 'textDocument/hover', {
    textDocument = { uri = vim.uri_from_bufnr(train) },
    position = { line = 3, character = 2 } }, 10000)
  assert(hover and hover[client] and hover[client].result, 'no hover')
  for line in hover[client].result.contents.value:gmatch('[^\n]+') do record('hover ' .. line) end

  local symbols = vim.lsp.buf_request_sync(train, 'textDocument/documentSymbol', {
    textDocument = { uri = vim.uri_from_bufnr(train) } }, 10000)
  assert(symbols and symbols[client] and symbols[client].result, 'no symbols')
  for _, section in ipairs(symbols[client].result) do
    record('symbol ' .. section.name .. ' line ' .. section.selectionRange.start.line)
    for _, child in ipairs(section.children or {}) do
      record('symbol   ' .. child.name .. ' line ' .. child.selectionRange.start.line)
    end
  end

  local received = table.concat(lines, '\n') .. '\n'
  write_bytes(work .. '/received.txt', received)
  local expected = read_bytes(expected_path)
  if received ~= expected then
    error('received differs from ' .. expected_path .. ':\n' .. received)
  end
  vim.lsp.stop_client(client)
end

local ok, problem = pcall(run)
if not ok then
  io.stderr:write('FAILED: ' .. tostring(problem) .. '\n')
  vim.cmd('cquit 1')
end
vim.cmd('qall!')
