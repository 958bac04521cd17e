# needs: windows linux
# Run from its build tree, the tool lists the stripped players of that tree.
brivel players | sed -E 's/ +[0-9]+ KB  / N KB  /'
