" Vim syntax file for scenario train texts (STEM_N-.txt).
" Fields up to and including the first one holding "[generale]" are ignored; after it every
" row may stand anywhere, recognised in any letter case. Section headers are ignored fields.
if exists('b:current_syntax')
  finish
endif
runtime! syntax/scenario_fields.vim
syntax sync fromstart

call ScenarioRow('scenarioTrainRows', 'scenarioTrainBrakedMass', ['massa', 'frenata'], 1, 1, 0, '')
call ScenarioRow('scenarioTrainRows', 'scenarioTrainCarCount', ['vetture'], 1, 1, 0, '')
call ScenarioRow('scenarioTrainRows', 'scenarioTrainSpeedLimit', ['velocit'], 1, 2, 0, '')
call ScenarioRow('scenarioTrainRows', 'scenarioTrainAdhesion', ['aderenza'], 1, 2, 0, '')
call ScenarioRow('scenarioTrainRows', 'scenarioTrainClock', ['orologio'], 1, 3, 0, '')
call ScenarioRow('scenarioTrainRows', 'scenarioTrainSand', ['sabbia'], 1, 1, 0, '')
call ScenarioRow('scenarioTrainRows', 'scenarioTrainSignal', ['segnale'], 1, 11, 0, '')
call ScenarioRow('scenarioTrainRows', 'scenarioTrainSlowdown', ['rallentamento'], 1, 6, 0, '')
call ScenarioRow('scenarioTrainRows', 'scenarioTrainCodeDrop', ['abbattimento'], 1, 2, 0, '')
call ScenarioRow('scenarioTrainRows', 'scenarioTrainStation', ['stazione'], 1, 16, 1, '')

execute 'syntax region scenarioTrainBody matchgroup=scenarioSection'
      \ 'start=/' . ScenarioField(['[generale]'], 1, 1) . '/ end=/\%$/'
      \ 'contains=@scenarioTrainRows,scenarioSection,scenarioComment,scenarioIgnored'
" The comment test comes before every other on a keyword field.
syntax match scenarioComment /\%(^\|,\)\@<=[ \t]*\zs[^,]*-[^,]\{-}\ze[ \t]*\%(,\|$\)/ contained

for s:kind in ['BrakedMass', 'CarCount', 'SpeedLimit', 'Adhesion', 'Clock', 'Sand', 'Signal',
      \ 'Slowdown', 'CodeDrop', 'Station']
  execute 'highlight default link scenarioTrain' . s:kind 'Statement'
endfor

let b:current_syntax = 'scenariotrain'
