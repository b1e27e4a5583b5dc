" Vim syntax file for scenario route texts (STEM_linea.txt).
" Fields before the first one holding "[generale]" are ignored. The general block that follows
" runs up to the first bracketed field without a dash; only its own rows are read there
" (letter case counts, but for the route length). After it come the feature rows (any case).
if exists('b:current_syntax')
  finish
endif
runtime! syntax/scenario_fields.vim
syntax sync fromstart

call ScenarioRow('scenarioRouteGeneral', 'scenarioRouteLength', ['lunghezza', 'percorso'], 1, 1, 0, '')
call ScenarioRow('scenarioRouteGeneral', 'scenarioRouteReferencetre', ['tre', 'progressiva'], 0, 3, 0, '')
call ScenarioRow('scenarioRouteGeneral', 'scenarioRouteReferencedue', ['due', 'progressiva'], 0, 3, 0, '')
call ScenarioRow('scenarioRouteGeneral', 'scenarioRouteReferenceuno', ['uno', 'progressiva'], 0, 3, 0, '')
call ScenarioRow('scenarioRouteGeneral', 'scenarioRouteBackgrounduno', ['sfondo', 'uno'], 0, 1, 0, '')
call ScenarioRow('scenarioRouteGeneral', 'scenarioRouteBackgrounddue', ['sfondo', 'due'], 0, 1, 0, '')
call ScenarioRow('scenarioRouteGeneral', 'scenarioRouteBackgroundtre', ['sfondo', 'tre'], 0, 1, 0, '')
" Cab signalling names its number of codes, 4 or 9, in the keyword field.
call ScenarioRow('scenarioRouteGeneral', 'scenarioRouteCabInvalid', ['segnali', 'ripetizione'], 0, 2, 0, '')
call ScenarioRow('scenarioRouteGeneral', 'scenarioRouteCab', ['segnali', 'ripetizione'], 0, 2, 0, '\%([^,]*[49]\)\@=')

call ScenarioRow('scenarioRouteFeature', 'scenarioRouteGradient', ['pendenza'], 1, 2, 0, '')
" A curve names its class, a digit 1 to 6, in the keyword field.
call ScenarioRow('scenarioRouteFeature', 'scenarioRouteCurveInvalid', ['curva'], 1, 2, 0, '')
call ScenarioRow('scenarioRouteFeature', 'scenarioRouteCurve', ['curva'], 1, 2, 0, '\%([^,]*[1-6]\)\@=')
call ScenarioRow('scenarioRouteFeature', 'scenarioRouteMountain', ['montagna'], 1, 3, 0, '')
call ScenarioRow('scenarioRouteFeature', 'scenarioRouteSpeedBoard', ['indicatori_v'], 1, 9, 0, '')
call ScenarioRow('scenarioRouteFeature', 'scenarioRouteSignBoard', ['indicat', 'cartello'], 1, 1, 1, '')

execute 'syntax region scenarioRouteGeneral matchgroup=scenarioSection'
      \ 'start=/' . ScenarioField(['[generale]'], 1, 1) . '/ end=/\%$/'
      \ 'contains=@scenarioRouteGeneral,scenarioRouteFeatures,scenarioComment,scenarioIgnored'
execute 'syntax region scenarioRouteFeatures matchgroup=scenarioSection'
      \ 'start=/' . ScenarioField(['[', ']'], 0, 0) . '/ end=/\%$/ contained'
      \ 'contains=@scenarioRouteFeature,scenarioSection,scenarioComment,scenarioIgnored'
" The comment test comes before every other on a keyword field.
syntax match scenarioComment /\%(^\|,\)\@<=[ \t]*\zs[^,]*-[^,]\{-}\ze[ \t]*\%(,\|$\)/ contained

highlight default link scenarioRouteLength Statement
for s:number in ['tre', 'due', 'uno']
  execute 'highlight default link scenarioRouteReference' . s:number 'Statement'
  execute 'highlight default link scenarioRouteBackground' . s:number 'Statement'
endfor
highlight default link scenarioRouteCab Statement
highlight default link scenarioRouteCabInvalid Error
highlight default link scenarioRouteGradient Statement
highlight default link scenarioRouteCurve Statement
highlight default link scenarioRouteCurveInvalid Error
highlight default link scenarioRouteMountain Statement
highlight default link scenarioRouteSpeedBoard Statement
highlight default link scenarioRouteSignBoard Statement

let b:current_syntax = 'scenarioroute'
