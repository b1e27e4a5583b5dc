" Scenario texts: STEM_linea.txt is a route text, STEM_N-.txt a train text. Vim's own rule
" for *.txt has set "text" already, so the filetype is set, not offered.
autocmd BufNewFile,BufRead *_linea.txt set filetype=scenarioroute
autocmd BufNewFile,BufRead *-.txt set filetype=scenariotrain
