# The licences the build wrote, printed whole, by the command and the option.
brivel licences | cmp - "$NOTICES/NOTICES.txt" && echo same
brivel --licences | cmp - "$NOTICES/NOTICES.txt" && echo same
