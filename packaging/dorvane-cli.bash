# bash completion for dorvane-cli: commands, options, and the values of options that take a fixed set.
# Installed as share/bash-completion/completions/dorvane-cli, where bash-completion loads it on first use.

_dorvane_cli_report_options="--view --columns --levels --size-unit --dirs-only --exclude-empty --full-path
  --file-counts --no-folder-details --no-hidden --regex --file-pattern --folder-pattern --extensions
  --exclude-extensions --file-size --folder-size --date --output --save --help"
_dorvane_cli_operations="copy shells delete replace rename attributes move open modified-date created-date
  accessed-date run compare"
# Options every operation takes: the selection, the filters and how the run goes.
_dorvane_cli_op_common="--pick --entry --bank --bank-name --regex --file-pattern --file-size --extensions
  --exclude-extensions --date --no-hidden --levels --preview --report-preview --results --yes --no --help"

# The options of one operation of its own.
_dorvane_cli_op_own() {
  case "$1" in
    copy) echo "--flat --overwrite --empty-folders --duplicates --verify" ;;
    shells) echo "--folders-only" ;;
    delete) echo "--empty-folders --trash" ;;
    replace) echo "--find --replace --backup --text-extensions --binary --code" ;;
    rename) echo "--pattern --with --start" ;;
    attributes) echo "--set --clear" ;;
    move) echo "--flat --empty-folders --duplicates --verify" ;;
    open) echo "--macro --ask-each" ;;
    modified-date | created-date | accessed-date) echo "--to" ;;
    run) echo "--command --wait --no-wait --ask-each --continue-on-timeout" ;;
    compare) echo "--sample --hide" ;;
  esac
}

# Completes the last part of a comma-separated list in $cur from the words in $1, leaving out those already given.
_dorvane_cli_list() {
  local head="" last="$cur" word given
  if [[ $cur == *,* ]]; then
    head="${cur%,*},"
    last="${cur##*,}"
  fi
  local -a left=()
  for word in $1; do
    given=0
    [[ ",$head" == *",$word,"* ]] && given=1
    ((given)) || left+=("$head$word")
  done
  COMPREPLY=($(compgen -W "${left[*]}" -- "$head$last"))
  # A part still to come: no blank after the list.
  compopt -o nospace 2>/dev/null
}

_dorvane_cli_paths() {
  compopt -o filenames 2>/dev/null
  COMPREPLY=($(compgen "$1" -- "$cur"))
}

_dorvane_cli() {
  local cur="${COMP_WORDS[COMP_CWORD]}" prev="" cword=$COMP_CWORD
  ((cword > 0)) && prev="${COMP_WORDS[cword - 1]}"
  # "--view=cs" reaches us as "--view" "=" "cs" (or "--view" "=" while nothing follows the "=").
  if [[ $cur == "=" ]]; then
    cur=""
  elif [[ $prev == "=" ]] && ((cword > 1)); then
    prev="${COMP_WORDS[cword - 2]}"
  fi
  COMPREPLY=()

  if ((cword == 1)); then
    COMPREPLY=($(compgen -W "report op undo --help --version" -- "$cur"))
    return 0
  fi
  local command="${COMP_WORDS[1]}" options operation=""
  case "$command" in
    report)
      options="$_dorvane_cli_report_options"
      case "$prev" in
        --view) COMPREPLY=($(compgen -W "hierarchical dos csv sortable json" -- "$cur")); return 0 ;;
        --columns) _dorvane_cli_list "size attributes type created modified accessed count none"; return 0 ;;
        --levels) COMPREPLY=($(compgen -W "all" -- "$cur")); return 0 ;;
        --size-unit) COMPREPLY=($(compgen -W "bytes kb mb" -- "$cur")); return 0 ;;
        --output | --save) _dorvane_cli_paths -f; return 0 ;;
        --file-pattern | --folder-pattern | --extensions | --file-size | --folder-size | --date) return 0 ;;
      esac
      ;;
    op)
      if ((cword == 2)); then
        COMPREPLY=($(compgen -W "$_dorvane_cli_operations --help" -- "$cur"))
        return 0
      fi
      operation="${COMP_WORDS[2]}"
      options="$(_dorvane_cli_op_own "$operation") $_dorvane_cli_op_common"
      case "$prev" in
        --duplicates) COMPREPLY=($(compgen -W "number overwrite" -- "$cur")); return 0 ;;
        --verify) COMPREPLY=($(compgen -W "none quick full" -- "$cur")); return 0 ;;
        --hide) _dorvane_cli_list "matching differing missing"; return 0 ;;
        --bank | --results | --pick) _dorvane_cli_paths -f; return 0 ;;
        --entry) _dorvane_cli_paths -f; return 0 ;;
        --bank-name | --file-pattern | --extensions | --file-size | --date | --levels | --find | --replace | \
          --text-extensions | --code | --pattern | --with | --start | --set | --clear | --macro | --to | \
          --command | --wait | --sample)
          return 0 ;;
      esac
      ;;
    undo)
      # Runs are the journals' names.
      if [[ $cur != -* ]]; then
        local journal="${XDG_DATA_HOME:-$HOME/.local/share}/dorvane/journal" file
        local -a runs=()
        for file in "$journal"/*.jsonl; do [[ -e $file ]] && runs+=("$(basename "$file" .jsonl)"); done
        COMPREPLY=($(compgen -W "${runs[*]}" -- "$cur"))
        return 0
      fi
      options="--list --forget --yes --no --help"
      ;;
    *) return 0 ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  elif [[ $command == report ]]; then
    _dorvane_cli_paths -d
  else
    _dorvane_cli_paths -f
  fi
  return 0
}

complete -F _dorvane_cli dorvane-cli
