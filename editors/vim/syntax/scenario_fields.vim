" Shared by the route and the train syntax (sourced by both; it is no filetype of its own).
" The texts are streams of fields: a comma or a line end closes a field. A row starts with a
" keyword field, recognised by the words it contains; a keyword field holding a dash is a
" comment. The row then reads a fixed number of number fields (a number ends at a blank, so
" blank-separated numbers count one each), sometimes with a text field at the end. Fields that
" no row reads are ignored by the reader, and shown as such.

" A field starts at the start of a line or after a comma; the pattern ends at its first
" non-blank character.
let s:field_start = '\%(^\|,\)\@<=[ \t]*\zs'
" The rest of a field up to its closing comma or the line end, blanks before them left out.
let s:field_rest = '[^,]\{-}\ze[ \t]*\%(,\|$\)'
let s:number_field = '[ \t]*[^ \t,]*[ \t]*,\='

function! s:Holds(word, any_case) abort
  return '\%([^,]*' . (a:any_case ? '\c' : '\C') . escape(a:word, '[]') . '\)\@='
endfunction

" The pattern of a field that holds every word of a:words (and, with a:dash 0, no dash).
function! ScenarioField(words, any_case, dash) abort
  return s:field_start . (a:dash ? '' : '\%([^,]*-\)\@!')
        \ . join(map(copy(a:words), 's:Holds(v:val, a:any_case)'), '') . s:field_rest
endfunction

" Defines a:group, a keyword field holding a:words, with a:count number fields after it and,
" when a:text is set, a text field; a:extra is added to the keyword field's pattern.
function! ScenarioRow(cluster, group, words, any_case, count, text, extra) abort
  let l:values = a:group . 'Values'
  execute 'syntax match' a:group '/' . a:extra . ScenarioField(a:words, a:any_case, 0) . '/'
        \ 'contained nextgroup=' . l:values
  execute 'syntax cluster' a:cluster 'add=' . a:group
  execute 'syntax match' l:values '/[ \t]*,\%(' . s:number_field . '\)\{' . a:count . '}/'
        \ 'contained contains=scenarioNumber,scenarioNotNumber'
        \ (a:text ? 'skipwhite nextgroup=scenarioText' : '')
endfunction

syntax match scenarioIgnored /[^, \t]\%([^,]*[^, \t]\)\=/
syntax match scenarioNotNumber /[^ \t,]\+/ contained
syntax match scenarioNumber /\%([^ \t,]\)\@<![+-]\=\d\+\%([^ \t,]\)\@!/ contained
" A text field may be quoted, and then holds commas.
" A text field may be quoted, and then holds commas. It starts at a non-blank: Vim tries it
" before the blanks that skipwhite passes over, too.
execute 'syntax match scenarioText /\%("[^"]*"' . s:field_rest . '\|"[^"]*$\|[^, \t]' . s:field_rest . '\)/ contained'
execute 'syntax match scenarioSection /' . s:field_start . '\[[^,]*\]' . s:field_rest . '/ contained'
execute 'syntax match scenarioComment /' . s:field_start . '[^,]*-' . s:field_rest . '/ contained'

highlight default link scenarioIgnored Comment
highlight default link scenarioComment Comment
highlight default link scenarioSection Title
highlight default link scenarioNumber Number
highlight default link scenarioText String
highlight default link scenarioNotNumber Error
