<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>BoardAccessible</name>
    <message>
        <source>empty</source>
        <translation>пусто</translation>
    </message>
    <message>
        <source>your king</source>
        <translation>ваша дамка</translation>
    </message>
    <message>
        <source>your man</source>
        <translation>ваша шашка</translation>
    </message>
    <message>
        <source>opponent&apos;s king</source>
        <translation>дамка соперника</translation>
    </message>
    <message>
        <source>opponent&apos;s man</source>
        <translation>шашка соперника</translation>
    </message>
    <message>
        <source>Board</source>
        <translation>Доска</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>%1, selected</source>
        <translation>%1, выбрана</translation>
    </message>
    <message>
        <source>%1. %2</source>
        <translation>%1. %2</translation>
    </message>
</context>
<context>
    <name>Dialogs</name>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Checkers for two players over the network.</source>
        <translation>Шашки для двух игроков по сети.</translation>
    </message>
    <message>
        <source>Copyright © the Sorvada developers.</source>
        <translation>© Разработчики Sorvada.</translation>
    </message>
    <message>
        <source>Sorvada </source>
        <translation>Sorvada </translation>
    </message>
    <message>
        <source>Sorvada help: About</source>
        <translation>Справка Sorvada: о программе</translation>
    </message>
    <message>
        <source>Game authors:</source>
        <translation>Авторы игры:</translation>
    </message>
    <message>
        <source>The Sorvada developers</source>
        <translation>Разработчики Sorvada</translation>
    </message>
    <message>
        <source>Put down your message and press &quot;enter&quot; please:</source>
        <translation>Напишите сообщение и нажмите «Enter»:</translation>
    </message>
    <message>
        <source>Chat</source>
        <translation>Чат</translation>
    </message>
    <message>
        <source>Enter the name or IP address of the Server computer:</source>
        <translation>Введите имя или IP-адрес компьютера-сервера:</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>Please, enter your name:</source>
        <translation>Введите своё имя:</translation>
    </message>
    <message>
        <source>Game beginning</source>
        <translation>Начало игры</translation>
    </message>
    <message>
        <source>Connect to the Game Server</source>
        <translation>Подключиться к игровому серверу</translation>
    </message>
    <message>
        <source>As the Game Server</source>
        <translation>Стать игровым сервером</translation>
    </message>
    <message>
        <source>Connect through the Tavimore Server</source>
        <translation>Подключиться через сервер Tavimore</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Справка</translation>
    </message>
    <message>
        <source>Sorvada</source>
        <translation>Sorvada</translation>
    </message>
    <message>
        <source>Checkers Variations</source>
        <translation>Какие шашки</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>Русские</translation>
    </message>
    <message>
        <source>American</source>
        <translation>Американские</translation>
    </message>
    <message>
        <source>Please enter no more than %1 characters.</source>
        <translation>Введите не более %1 символов.</translation>
    </message>
    <message>
        <source>&amp;Invite a friend</source>
        <translation>&amp;Пригласить друга</translation>
    </message>
    <message>
        <source>Send this link to your friend:</source>
        <translation>Отправьте эту ссылку другу:</translation>
    </message>
</context>
<context>
    <name>HelpLauncher</name>
    <message>
        <source>Failed to launch help.</source>
        <translation>Не удалось открыть справку.</translation>
    </message>
</context>
<context>
    <name>MainMenu</name>
    <message>
        <source>&amp;Game</source>
        <translation>&amp;Игра</translation>
    </message>
    <message>
        <source>&amp;Finish set in a draw</source>
        <translation>&amp;Предложить ничью</translation>
    </message>
    <message>
        <source>&amp;I capitulate</source>
        <translation>&amp;Сдаться</translation>
    </message>
    <message>
        <source>&amp;Score	F9</source>
        <translation>С&amp;чёт	F9</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>В&amp;ыход</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Настройки</translation>
    </message>
    <message>
        <source>&amp;Chat	F5</source>
        <translation>&amp;Чат	F5</translation>
    </message>
    <message>
        <source>&amp;Start alarm</source>
        <translation>Сигнал &amp;начала</translation>
    </message>
    <message>
        <source>&amp;Message alarm</source>
        <translation>Сигнал &amp;сообщения</translation>
    </message>
    <message>
        <source>Show the &amp;last move</source>
        <translation>Показывать &amp;последний ход</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Справка</translation>
    </message>
    <message>
        <source>&amp;Contents	F1</source>
        <translation>&amp;Содержание	F1</translation>
    </message>
    <message>
        <source>&amp;Tavimore on the Web</source>
        <translation>Tavimore в &amp;Интернете</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>&amp;О программе...</translation>
    </message>
    <message>
        <source>&amp;Save Game...	Ctrl+S</source>
        <translation>&amp;Сохранить партию...	Ctrl+S</translation>
    </message>
    <message>
        <source>&amp;Moves	F4</source>
        <translation>&amp;Ходы	F4</translation>
    </message>
</context>
<context>
    <name>MovesWindow</name>
    <message>
        <source>Moves</source>
        <translation>Ходы</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Партия</translation>
    </message>
    <message>
        <source>Moves of the set</source>
        <translation>Ходы партии</translation>
    </message>
    <message>
        <source>&amp;Copy as PDN</source>
        <translation>&amp;Копировать как PDN</translation>
    </message>
    <message>
        <source>Set %1</source>
        <translation>Партия %1</translation>
    </message>
    <message>
        <source>Set %1: %2 - %3</source>
        <translation>Партия %1: %2 - %3</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>Sorvada</source>
        <translation>Sorvada</translation>
    </message>
    <message>
        <source>Please wait for joining...</source>
        <translation>Ждём подключения соперника...</translation>
    </message>
    <message>
        <source>Here it is impossible to go</source>
        <translation>Сюда ходить нельзя</translation>
    </message>
    <message>
        <source>Here it is possible to go</source>
        <translation>Сюда можно пойти</translation>
    </message>
    <message>
        <source>Your turn to play</source>
        <translation>Ваш ход</translation>
    </message>
    <message>
        <source>Please wait for the opponent</source>
        <translation>Ждите хода соперника</translation>
    </message>
    <message>
        <source>You should capture still</source>
        <translation>Бейте дальше</translation>
    </message>
    <message>
        <source>RUS</source>
        <translation>РУС</translation>
    </message>
    <message>
        <source>USA</source>
        <translation>США</translation>
    </message>
    <message>
        <source>I offer to the opponent to finish set in a draw.</source>
        <translation>Я предлагаю сопернику закончить партию вничью.</translation>
    </message>
    <message>
        <source>Network error.</source>
        <translation>Ошибка сети.</translation>
    </message>
    <message>
        <source>Your opponent quitted the game.</source>
        <translation>Соперник вышел из игры.</translation>
    </message>
    <message>
        <source>Your opponent offers to finish set in a draw.</source>
        <translation>Соперник предлагает закончить партию вничью.</translation>
    </message>
    <message>
        <source>Congratulations, you win this game!</source>
        <translation>Поздравляем, вы выиграли партию!</translation>
    </message>
    <message>
        <source>Sorry, you lose this game.</source>
        <translation>Увы, вы проиграли партию.</translation>
    </message>
    <message>
        <source>You should enter your name!</source>
        <translation>Введите своё имя!</translation>
    </message>
    <message>
        <source>The set ended in a draw.</source>
        <translation>Партия закончилась вничью.</translation>
    </message>
    <message>
        <source>Results of sets.</source>
        <translation>Результаты партий.</translation>
    </message>
    <message>
        <source>The host already has an opponent.</source>
        <translation>У сервера уже есть соперник.</translation>
    </message>
    <message>
        <source>The lobby at %1 did not answer.</source>
        <translation>Лобби по адресу %1 не ответило.</translation>
    </message>
    <message>
        <source>No answer from %1 within %2 seconds.</source>
        <translation>%1 не ответил за %2 с.</translation>
    </message>
    <message>
        <source>%1 is not a computer name or IP address.</source>
        <translation>«%1» — не имя компьютера и не IP-адрес.</translation>
    </message>
    <message>
        <source>You should enter the server&apos;s name or address!</source>
        <translation>Введите имя или адрес сервера!</translation>
    </message>
    <message>
        <source>computer name or IP address; http://host:port for a web lobby</source>
        <translation>имя компьютера или IP-адрес; http://хост:порт для веб-лобби</translation>
    </message>
    <message>
        <source>Give up this set?</source>
        <translation>Сдать эту партию?</translation>
    </message>
    <message>
        <source>Leave the match? Your opponent will be told that you quit.</source>
        <translation>Выйти из матча? Сопернику сообщат, что вы вышли.</translation>
    </message>
    <message>
        <source>You must capture.</source>
        <translation>Бить обязательно.</translation>
    </message>
    <message>
        <source>No web browser could be started. The Tavimore home page is %1</source>
        <translation>Не удалось запустить браузер. Домашняя страница Tavimore: %1</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 с</translation>
    </message>
    <message>
        <source>Your opponent&apos;s program sent a move that breaks the rules. The match ends.</source>
        <translation>Программа соперника прислала ход против правил. Матч окончен.</translation>
    </message>
    <message>
        <source>Your opponent&apos;s computer stopped answering. The match ends.</source>
        <translation>Компьютер соперника перестал отвечать. Матч окончен.</translation>
    </message>
    <message>
        <source>Display the table of contents</source>
        <translation>Показать содержание справки</translation>
    </message>
    <message>
        <source>Open the Tavimore home page</source>
        <translation>Открыть домашнюю страницу Tavimore</translation>
    </message>
    <message>
        <source>I offer to the opponent to finish set in a draw</source>
        <translation>Предложить сопернику закончить партию вничью</translation>
    </message>
    <message>
        <source>Display the chat dialog</source>
        <translation>Открыть окно чата</translation>
    </message>
    <message>
        <source>Turn on/off start alarm</source>
        <translation>Включить или выключить сигнал начала партии</translation>
    </message>
    <message>
        <source>Turn on/off income message alarm</source>
        <translation>Включить или выключить сигнал нового сообщения</translation>
    </message>
    <message>
        <source>I inform the opponent that I has lost</source>
        <translation>Сообщить сопернику, что я сдаюсь</translation>
    </message>
    <message>
        <source>Results of the sets</source>
        <translation>Результаты партий</translation>
    </message>
    <message>
        <source>Turn on/off marking of the opponent&apos;s last move</source>
        <translation>Включить или выключить отметку последнего хода соперника</translation>
    </message>
    <message>
        <source>Display the program information and copyright</source>
        <translation>Сведения о программе и авторских правах</translation>
    </message>
    <message>
        <source>Exit Sorvada</source>
        <translation>Выйти из Sorvada</translation>
    </message>
    <message>
        <source>Save Game</source>
        <translation>Сохранить партию</translation>
    </message>
    <message>
        <source>PDN games (*.pdn);;All files (*)</source>
        <translation>Партии PDN (*.pdn);;Все файлы (*)</translation>
    </message>
    <message>
        <source>The game could not be saved to %1: %2</source>
        <translation>Не удалось сохранить партию в %1: %2</translation>
    </message>
    <message>
        <source>Display the moves of the sets</source>
        <translation>Показать ходы партий</translation>
    </message>
    <message>
        <source>Save every set of the match as a PDN file</source>
        <translation>Сохранить все партии матча в файл PDN</translation>
    </message>
    <message>
        <source>Nothing follows the &quot;/&quot; in %1. Remove the &quot;/&quot; for the public room, or add the code your friend gave you.</source>
        <translation>В %1 после «/» ничего нет. Уберите «/», чтобы играть в общей комнате, или допишите код, который дал вам друг.</translation>
    </message>
    <message>
        <source>The code after the &quot;/&quot; in %1 is longer than %2 characters.</source>
        <translation>Код после «/» в %1 длиннее %2 символов.</translation>
    </message>
    <message>
        <source>The code after the &quot;/&quot; in %1 may have only letters, digits and &quot;-&quot;: no spaces and no second &quot;/&quot;.</source>
        <translation>Код после «/» в %1 может состоять только из латинских букв, цифр и «-»: без пробелов и без второй «/».</translation>
    </message>
    <message>
        <source>%1 is too long for the web lobby: its questions must fit in %2 characters, so the address may have at most %3. Use a shorter name or code, or the lobby&apos;s name without &quot;http:&quot;.</source>
        <translation>%1 слишком длинный адрес для веб-лобби: запрос должен уместиться в %2 символов, поэтому в адресе не больше %3. Возьмите имя или код короче или адрес лобби без «http:».</translation>
    </message>
    <message>
        <source>Enter the name or address of the lobby you and your friend share first, then press &quot;Invite a friend&quot;.</source>
        <translation>Сначала введите имя или адрес лобби, общего для вас и друга, затем нажмите «Пригласить друга».</translation>
    </message>
    <message>
        <source>The invitation %1 cannot be used: %2 Sorvada starts as usual.</source>
        <translation>Приглашение %1 не годится: %2 Sorvada запускается как обычно.</translation>
    </message>
    <message>
        <source>it is far longer than any invitation.</source>
        <translation>оно намного длиннее любого приглашения.</translation>
    </message>
    <message>
        <source>an invitation begins with &quot;sorvada://&quot;.</source>
        <translation>приглашение начинается с «sorvada://».</translation>
    </message>
    <message>
        <source>it names no lobby (sorvada://HOST/CODE).</source>
        <translation>в нём не указано лобби (sorvada://ХОСТ/КОД).</translation>
    </message>
    <message>
        <source>the number after &quot;:&quot; is not a port from 1 to 65535.</source>
        <translation>число после «:» — не номер порта от 1 до 65535.</translation>
    </message>
    <message>
        <source>it names no room code after the lobby (sorvada://HOST/CODE).</source>
        <translation>в нём нет кода комнаты после лобби (sorvada://ХОСТ/КОД).</translation>
    </message>
    <message>
        <source>its code is not 1 to 16 letters, digits or &quot;-&quot;.</source>
        <translation>его код — не от 1 до 16 латинских букв, цифр или «-».</translation>
    </message>
    <message>
        <source>Connection lost. Reconnecting... %1</source>
        <translation>Соединение потеряно. Переподключение... %1</translation>
    </message>
    <message>
        <source>The connection to your opponent was lost. The match ends.</source>
        <translation>Соединение с соперником потеряно. Матч окончен.</translation>
    </message>
    <message>
        <source>After the connection came back, your game and your opponent&apos;s no longer show the same match. The match ends.</source>
        <translation>После восстановления соединения ваша программа и программа соперника показывают матч по-разному. Матч окончен.</translation>
    </message>
</context>
</TS>
