#!/bin/sh
# Writes dorvane-cli's manual page (troff, man macros) from its own --help texts, so the page never drifts from
# the program: help-to-man.sh CLI VERSION OUTPUT
set -eu
cli=$1 version=$2 out=$3

# Help text as literal troff: backslashes and hyphens escaped (hyphens stay ASCII, so options copy and paste),
# and a line starting with "." or "'" kept from reading as a request.
literal() {
  printf '.nf\n'
  sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
  printf '.fi\n'
}

tmp="$out.tmp"
{
  printf '.TH DORVANE\\-CLI 1 "" "Dorvane %s" "User Commands"\n' "$version"
  printf '.SH NAME\ndorvane\\-cli \\- directory reports and batch file operations of Dorvane from the command line\n'
  printf '.SH SYNOPSIS\n'
  printf '.B dorvane\\-cli report\n[\\fIOPTIONS\\fR] \\fIFOLDER\\fR\n.br\n'
  printf '.B dorvane\\-cli op\n\\fIOPERATION\\fR [\\fIOPTIONS\\fR] \\fISOURCE\\fR [\\fIDESTINATION\\fR]\n.br\n'
  printf '.B dorvane\\-cli undo\n[\\fIRUN\\fR] [\\-\\-yes|\\-\\-no] | \\-\\-list | \\-\\-forget \\fIRUN\\fR\n.br\n'
  printf '.B dorvane\\-cli\n\\-\\-help | \\-\\-version\n'
  printf '.SH DESCRIPTION\n'
  "$cli" --help | literal
  printf '.SH REPORT\n'
  "$cli" report --help | literal
  printf '.SH OP\n'
  "$cli" op --help | literal
  printf '.SH UNDO\n'
  "$cli" undo --help | literal
  printf '.SH FILES\n'
  printf '.TP\n.I ~/.config/Brantwick/dorvane.ini\n'
  printf 'Settings of the window program; \\fBreport \\-\\-save\\fR takes the web page settings from it.\n'
  printf '.TP\n.I ~/.local/share/dorvane/journal/\n'
  printf 'The journals of the runs and the files they replaced, read by \\fBundo\\fR.\n'
  printf '.SH SEE ALSO\n'
  printf 'The README and the help pages in \\fI/usr/share/dorvane/help\\fR.\n'
} > "$tmp"
mv "$tmp" "$out"
