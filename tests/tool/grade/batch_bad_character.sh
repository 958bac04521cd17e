# A character outside Windows-1252 is refused, naming its line.
printf 'Chat\tchat\nChat\tch\342\202\277t\n' | brivel grade --batch
