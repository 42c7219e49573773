# The help's pages, below pages/: compiled into Vornalis.qch for the Qt desktop program and into
# Vornalis.chm for the Windows one. In reading order: the Windows help's contents list the first
# page, then the other pages below it, in this order, each under its <title>.
set(VORNALIS_HELP_PAGES
  index.html
  piece-sets.html
  piece-sizes.html
  new.html
  open.html
  add.html
  assemble.html
  make-exe.html
  command-line.html
  cli.html
  missing-pieces.html
  using-help.html
  style.css
)
