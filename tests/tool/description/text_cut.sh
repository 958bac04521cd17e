# A code step and a title wider than their boxes: warned of, naming what shows,
# also where the bold italic title is the bold face slanted by fontconfig (a
# system with fonts-dejavu-core alone).
brivel new cut >/dev/null && cp "$DATA/tiny.jpg" cut/01.jpg && cp "$DATA/tiny.jpg" cut/02.jpg
sed -i 's/^code = "B"$/code = "CHAPEAU, TU AS TOUT TROUVÉ"/; s/^title = .*/title = "Les monuments de Paris et de toute la France"/' cut/quiz.toml
brivel check cut 2>&1 | grep -e 'does not fit'
brivel check cut >/dev/null 2>&1
mkdir upright && ln -s "$FONTS/DejaVuSans.ttf" "$FONTS/DejaVuSans-Bold.ttf" upright/
printf '<fontconfig><dir>%s/upright</dir><cachedir>%s/upright</cachedir><include>/etc/fonts/conf.d</include></fontconfig>\n' "$PWD" "$PWD" > upright.conf
FONTCONFIG_FILE=$PWD/upright.conf brivel check cut 2>&1 | grep -e 'title: .*does not fit'
