" Checks the Vim syntax of the scenario texts: run as
"   vim -N -u NONE -i NONE -es --cmd 'set rtp^=editors/vim' --cmd 'filetype on' --cmd 'syntax on'
"       -S syntax_test.vim CARRIED_TEXTS_FOLDER
" It ends with status 0 when every check holds, else prints the failures and ends with 1.
let s:failures = []

function! s:GroupAt(line, column) abort
  return synIDattr(synID(a:line, a:column, 1), 'name')
endfunction

" The syntax group of the field text a:fragment in line a:line (its first character).
function! s:GroupOf(line, fragment) abort
  let l:column = stridx(getline(a:line), a:fragment) + 1
  return l:column > 0 ? s:GroupAt(a:line, l:column) : 'missing'
endfunction

function! s:Expect(where, fragment, actual, expected) abort
  if a:actual !=# a:expected
    call add(s:failures, printf('%s: "%s" is %s, not %s', a:where, a:fragment, a:actual, a:expected))
  endif
endfunction

" Every keyword field of a carried text is read as a row or a section, every other field as
" a number or a text, and nothing is ignored or marked as an error.
function! s:CheckCarried(path, filetype, keyword_group) abort
  execute 'edit ++enc=cp1252' fnameescape(a:path)
  call s:Expect(a:path, 'filetype', &filetype, a:filetype)
  for l:line in range(1, line('$'))
    let l:text = getline(l:line)
    let l:where = printf('%s:%d', fnamemodify(a:path, ':t'), l:line)
    let l:first = s:GroupAt(l:line, 1)
    if l:first !~# '^\%(scenarioSection\|' . a:keyword_group . '\)$'
      call add(s:failures, printf('%s: keyword field is %s', l:where, l:first))
    endif
    for l:column in range(1, len(l:text))
      let l:in_keyword = stridx(l:text, ',') < 0 || l:column <= stridx(l:text, ',')
      let l:group = s:GroupAt(l:line, l:column)
      if l:group =~# 'Ignored\|Invalid\|NotNumber\|Comment'
        call add(s:failures, printf('%s:%d: %s', l:where, l:column, l:group))
        break
      endif
      if !l:in_keyword && l:text[l:column - 1] =~# '\d' && l:group !~# '^scenario\%(Number\|Text\)$'
        call add(s:failures, printf('%s:%d: digit in %s', l:where, l:column, l:group))
        break
      endif
    endfor
  endfor
endfunction

" Short texts: [file name, lines, line number of the line under test, fragment, group].
let s:route = ['[generale]', 'lunghezza percorso, 243000']
let s:cases = [
      \ ['a_linea.txt', ['pendenza, 1, 2', '[generale]'], 1, 'pendenza', 'scenarioIgnored'],
      \ ['a_linea.txt', s:route + ['Progressiva chilometrica uno, 0, 350000, 1'], 3, 'Progressiva', 'scenarioIgnored'],
      \ ['a_linea.txt', s:route + ['ripetizione segnali codici, 0, 241000'], 3, 'ripetizione', 'scenarioRouteCabInvalid'],
      \ ['a_linea.txt', s:route + ['-- nota, sfondo uno, 1'], 3, 'sfondo', 'scenarioRouteBackgrounduno'],
      \ ['a_linea.txt', s:route + ['-- nota, sfondo uno, 1'], 3, '-- nota', 'scenarioComment'],
      \ ['a_linea.txt', s:route + ['[curve]', 'sfondo uno, 1'], 4, 'sfondo', 'scenarioIgnored'],
      \ ['a_linea.txt', s:route + ['[cur-ve]', 'pendenza, 5000, -8'], 4, 'pendenza', 'scenarioIgnored'],
      \ ['a_linea.txt', s:route + ['[curve]', 'PENDENZA, 5000, -8, 3'], 4, '3', 'scenarioIgnored'],
      \ ['a_linea.txt', s:route + ['[curve]', 'pendenza, 5000, -8, 3'], 4, '-8', 'scenarioNumber'],
      \ ['a_linea.txt', s:route + ['[curve]', 'pendenza, 5000, x8'], 4, 'x8', 'scenarioNotNumber'],
      \ ['a_linea.txt', s:route + ['[curve]', 'curvas, 1900, 600'], 4, 'curvas', 'scenarioRouteCurveInvalid'],
      \ ['a_linea.txt', s:route + ['[curve]', 'cartello_indicatore, 8500, "Ponte, fiume"'], 4, 'fiume', 'scenarioText'],
      \ ['b_1-.txt', ['[GENERALE]', 'VELOCITÀ, 0, 155'], 2, 'VELOCIT', 'scenarioTrainSpeedLimit'],
      \ ['b_1-.txt', ['[generale]', '[vel_limite]'], 2, '[vel_limite]', 'scenarioSection'],
      \ ['b_1-.txt', ['[generale]', 'orologio,    10     49     40'], 2, '40', 'scenarioNumber'],
      \ ['b_1-.txt', ['[generale]', 'stazione, 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16, A-B'], 2, 'A-B', 'scenarioText'],
      \ ]

try
  let s:folder = argv(0)
  call s:CheckCarried(s:folder . '/Brenzola_Tessalto_linea.txt', 'scenarioroute', 'scenarioRoute\a\+')
  call s:CheckCarried(s:folder . '/Brenzola_Tessalto_917-.txt', 'scenariotrain', 'scenarioTrain\a\+')
  let s:scratch = tempname()
  call mkdir(s:scratch)
  for [s:name, s:lines, s:line, s:fragment, s:group] in s:cases
    " A folder of its own for each case: the buffer of a reused name keeps its old syntax.
    let s:path = s:scratch . '/' . index(s:cases, [s:name, s:lines, s:line, s:fragment, s:group])
    call mkdir(s:path)
    let s:path .= '/' . s:name
    call writefile(s:lines, s:path)
    execute 'edit!' fnameescape(s:path)
    call s:Expect(s:name . ': ' . s:lines[s:line - 1], s:fragment, s:GroupOf(s:line, s:fragment), s:group)
  endfor
catch
  call add(s:failures, 'error: ' . v:exception . ' at ' . v:throwpoint)
endtry

if empty(s:failures)
  qall!
endif
for s:failure in s:failures
  " In -es mode only the messages given with verbose reach the terminal.
  verbose echo s:failure
endfor
cquit 1
