# The help's pages, below pages/: compiled into Vornalis.qch for the desktop program, and laid
# out as they are by the Windows setup program.
set(VORNALIS_HELP_PAGES
  add.html
  assemble.html
  cli.html
  command-line.html
  index.html
  make-exe.html
  missing-pieces.html
  new.html
  open.html
  piece-sets.html
  piece-sizes.html
  style.css
  using-help.html
)
